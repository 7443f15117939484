#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/control.h"

namespace tavr {

// One entry of a combo box's list: the text it shows and an integer item value.
struct ComboEntry {
    Text text;
    std::int32_t itemValue = 0;
};

// A drop-down list: the operator can only pick one of its entries, never type.
class ComboBox final : public Control {
  public:
    static constexpr ControlKind kKind = ControlKind::ComboBox;

    ComboBox(Window& owner, Text name, const Bounds& bounds = {});

    void AddEntry(Text text, std::int32_t itemValue);
    std::int32_t EntryCount() const { return static_cast<std::int32_t>(entries_.size()); }
    const std::vector<ComboEntry>& Entries() const { return entries_; }

    // The text of the selected entry; empty when nothing is selected.
    Text Content() const;
    // The index of the selected entry, -1 for none.
    std::int32_t CurrentSelection() const { return selection_; }
    // A value above the last index selects the last entry; -1 or below selects nothing.
    void SetCurrentSelection(std::int32_t index);

    // The operator picks entry `index` from the list: the selection moves there and
    // onSelectionChanged is raised when it changed.
    void Pick(std::int32_t index);

    std::function<void()> onSelectionChanged;

  private:
    std::span<const PeerCall> OwnProperties() const override;

    std::vector<ComboEntry> entries_;
    std::int32_t selection_ = -1;
};

}  // namespace tavr
