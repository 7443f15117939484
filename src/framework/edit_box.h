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
    static constexpr std::int32_t kContent = 8;
    static constexpr std::int32_t kMultiLine = 9;
    static constexpr std::int32_t kAlignment = 10;

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
    Text content_;
    bool multiLine_ = false;
    Alignment alignment_ = Alignment::Left;
};

}  // namespace tavr
