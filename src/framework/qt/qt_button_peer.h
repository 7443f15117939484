#pragma once

#include <QPushButton>
#include <cstdint>

#include "framework/button.h"
#include "framework/qt/qt_control_peer.h"

namespace tavr {

// A Button as a push button with its caption centred.
class QtButtonPeer final : public ControlPeer, public QtControlPeer {
  public:
    QtButtonPeer(Button& button, QWidget& parent);

    void Attach() override;
    void PropertyChanged(std::int32_t index) override;

  private:
    QPushButton& PushButton() const { return static_cast<QPushButton&>(Widget()); }

    Button& button_;
};

}  // namespace tavr
