#pragma once

#include <QObject>

namespace tavr {

class Control;

// Turns the keyboard focus of a control's widgets into the control's focus: the widget getting
// the focus gives it to the control (got-focus), the widget losing it takes it from the control
// (lost-focus). A drop-down list opening keeps the focus where it is. While a QuietFocus exists,
// focus moves are the peers' own doing (mirroring the control's state) and are not reported.
class QtFocusForwarder final : public QObject {
  public:
    explicit QtFocusForwarder(Control& control);

    // Reports the focus of `widget` as the control's.
    void Watch(QObject& widget);
    // Stops reporting: the control is going.
    void Detach() { control_ = nullptr; }

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Control* control_;
};

// Keeps focus moves unreported while it lives (window thread only).
class QuietFocus {
  public:
    QuietFocus();
    QuietFocus(const QuietFocus&) = delete;
    QuietFocus& operator=(const QuietFocus&) = delete;
    ~QuietFocus();

    static bool Active();
};

}  // namespace tavr
