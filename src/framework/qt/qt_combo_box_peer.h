#pragma once

#include <QComboBox>

#include "framework/combo_box.h"
#include "framework/qt/qt_control_peer.h"

namespace tavr {

// A ComboBox as a drop-down list: the operator picks an entry and cannot type. The list drops
// down at least kDroppedHeight pixels when it has that many entries to show.
class QtComboBoxPeer final : public QtControlPeer {
  public:
    static constexpr int kDroppedHeight = 160;

    QtComboBoxPeer(ComboBox& comboBox, QWidget& parent);

    void EntriesChanged() override;
    void SelectionChanged() override;

  private:
    QComboBox& Combo() const { return static_cast<QComboBox&>(Widget()); }

    ComboBox& comboBox_;
};

}  // namespace tavr
