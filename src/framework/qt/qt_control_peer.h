#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>

#include "framework/colour.h"
#include "framework/control.h"
#include "framework/qt/qt_focus_forwarder.h"

namespace tavr {

// The Qt side that every control peer shares: the widget standing for the control (a child of
// the window's widget, which owns it), the common properties (position, size, visibility,
// enabled state) and the keyboard focus. A kind's peer derives from this, mirrors the kind's own
// properties and reports operator input to the control.
class QtControlPeer : public ControlPeer {
  public:
    QtControlPeer(const QtControlPeer&) = delete;
    QtControlPeer& operator=(const QtControlPeer&) = delete;
    ~QtControlPeer() override;

    QWidget& Widget() const { return *widget_; }

    // Attaches to the control, which then tells every property: from now on the widget mirrors
    // the control.
    void Attach();
    // Stops mirroring and reporting: the window has closed and its controls are going. The
    // widget stays until the window's widget goes.
    virtual void Detach();
    bool IsAttached() const { return attached_; }

    // The themed look's frame colour changed (none: the look is off). Only framed kinds care.
    virtual void ApplyFrameColour(const std::optional<Colour>& colour);

  protected:
    QtControlPeer(Control& control, QWidget* widget);

    void BoundsChanged() override;
    void VisibleChanged() override;
    void EnabledChanged() override;
    // Puts `replacement` where the widget was (stacking and Tab order) and deletes the old one.
    void ReplaceWidget(QWidget* replacement);

  private:
    void MirrorCommonProperties();
    void TakeTabStop();

    Control& control_;
    QPointer<QWidget> widget_;
    QtFocusForwarder focus_;
    bool attached_ = false;
};

}  // namespace tavr
