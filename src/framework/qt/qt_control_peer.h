#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "framework/colour.h"
#include "framework/control.h"
#include "framework/qt/qt_focus_forwarder.h"

namespace tavr {

// The Qt side that every control peer shares: the widget standing for the control (a child of
// the window's widget, which owns it), the common properties (position, size, visibility,
// enabled state) and the keyboard focus. A kind's peer derives from this and from the control's
// peer interface, mirrors the kind's own properties and reports operator input to the control.
class QtControlPeer {
  public:
    QtControlPeer(const QtControlPeer&) = delete;
    QtControlPeer& operator=(const QtControlPeer&) = delete;
    virtual ~QtControlPeer();

    QWidget& Widget() const { return *widget_; }

    // Mirrors every property onto the widget, then attaches to the control: from now on the
    // control reports its property writes.
    virtual void Attach() = 0;
    // Stops mirroring and reporting: the window has closed and its controls are going. The
    // widget stays until the window's widget goes.
    virtual void Detach();
    bool IsAttached() const { return attached_; }

    // The themed look's frame colour changed (none: the look is off). Only framed kinds care.
    virtual void ApplyFrameColour(const std::optional<Colour>& colour);

  protected:
    QtControlPeer(Control& control, QWidget* widget);

    // Mirrors a common property (0..7) and returns true; false for the kind's own properties.
    bool MirrorCommonProperty(std::int32_t index);
    void MirrorCommonProperties();
    // Attaches `peer` (this object as the control's peer interface) to the control.
    void AttachAs(ControlPeer* peer);
    // Puts `replacement` where the widget was (stacking and Tab order) and deletes the old one.
    void ReplaceWidget(QWidget* replacement);

  private:
    void TakeTabStop();

    Control& control_;
    QPointer<QWidget> widget_;
    QtFocusForwarder focus_;
    bool attached_ = false;
};

}  // namespace tavr
