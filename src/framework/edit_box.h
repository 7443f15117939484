#pragma once

#include <cstdint>
#include <functional>

#include "framework/alignment.h"
#include "framework/control.h"

namespace tavr {

// A single- or multi-line text box.
class EditBox final : public Control {
  public:
    static constexpr ControlKind kKind = ControlKind::EditBox;

    EditBox(Window& owner, Text name, const Bounds& bounds = {});

    const Text& Content() const { return content_; }
    bool MultiLine() const { return multiLine_; }
    Alignment TextAlignment() const { return alignment_; }

    // A write by the logic raises no event.
    void SetContent(Text content);
    void SetMultiLine(bool multiLine);
    void SetTextAlignment(Alignment alignment);

    // The operator's typing leaves `content` in the box; when that changes the content,
    // onContentChanged is raised.
    void Type(Text content);

    std::function<void()> onContentChanged;

  private:
    std::span<const PeerCall> OwnProperties() const override;

    Text content_;
    bool multiLine_ = false;
    Alignment alignment_ = Alignment::Left;
};

}  // namespace tavr
