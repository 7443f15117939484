#pragma once

#include "framework/edit_box.h"
#include "framework/win32/win32_control_peer.h"

namespace tavr {

// An EditBox as an edit control: sunken, black text on white, no length limit. Single- or
// multi-line is fixed when the control is made (Win32 cannot switch it later), so it follows
// the design value; the alignment follows every write.
class Win32EditBoxPeer final : public Win32ControlPeer {
  public:
    Win32EditBoxPeer(EditBox& editBox, HWND parent, int id);

    void TextChanged() override;
    void AlignmentChanged() override;
    void Command(WORD code) override;

  private:
    Text ShownText() const;

    EditBox& editBox_;
    bool multiLine_;
    // The peer itself is writing the text: the change notification is not the operator's.
    bool mirroring_ = false;
};

}  // namespace tavr
