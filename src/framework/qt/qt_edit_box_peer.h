#pragma once

#include <QString>
#include <optional>

#include "framework/edit_box.h"
#include "framework/qt/qt_control_peer.h"

namespace tavr {

// An EditBox as a sunken text box, black on white, with no length limit: a line edit while
// single-line, a plain text edit while multi-line (the widget is replaced when that changes).
class QtEditBoxPeer final : public QtControlPeer {
  public:
    QtEditBoxPeer(EditBox& editBox, QWidget& parent);

    void TextChanged() override;
    void MultiLineChanged() override;
    void AlignmentChanged() override;
    void ApplyFrameColour(const std::optional<Colour>& colour) override;

  private:
    static QWidget* MakeEditor(bool multiLine, QWidget& parent);
    void ReportTyping();
    QString ShownText() const;

    EditBox& editBox_;
    std::optional<Colour> frameColour_;
    bool mirroring_ = false;  // the peer itself is writing the widget's text
};

}  // namespace tavr
