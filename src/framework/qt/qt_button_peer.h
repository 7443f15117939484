#pragma once

#include <QPushButton>

#include "framework/button.h"
#include "framework/qt/qt_control_peer.h"

namespace tavr {

// A Button as a push button with its caption centred.
class QtButtonPeer final : public QtControlPeer {
  public:
    QtButtonPeer(Button& button, QWidget& parent);

    void TextChanged() override;

  private:
    QPushButton& PushButton() const { return static_cast<QPushButton&>(Widget()); }

    Button& button_;
};

}  // namespace tavr
