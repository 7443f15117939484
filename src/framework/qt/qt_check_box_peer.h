#pragma once

#include <QCheckBox>

#include "framework/check_box.h"
#include "framework/qt/qt_control_peer.h"

namespace tavr {

// A CheckBox as a check box with its caption on the right.
class QtCheckBoxPeer final : public QtControlPeer {
  public:
    QtCheckBoxPeer(CheckBox& checkBox, QWidget& parent);

    void TextChanged() override;
    void CheckedChanged() override;

  private:
    QCheckBox& Box() const { return static_cast<QCheckBox&>(Widget()); }

    CheckBox& checkBox_;
};

}  // namespace tavr
