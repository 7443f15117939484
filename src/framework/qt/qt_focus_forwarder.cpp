#include "framework/qt/qt_focus_forwarder.h"

#include <QEvent>
#include <QFocusEvent>

#include "framework/control.h"
#include "framework/window.h"

namespace tavr {

namespace {

// Nesting depth of the QuietFocus scopes; the window thread is the only one touching it.
int quietDepth = 0;

}  // namespace

QtFocusForwarder::QtFocusForwarder(Control& control) : control_(&control) {}

void QtFocusForwarder::Watch(QObject& widget) {
    widget.installEventFilter(this);
}

bool QtFocusForwarder::eventFilter(QObject* watched, QEvent* event) {
    const bool in = event->type() == QEvent::FocusIn;
    const bool out = event->type() == QEvent::FocusOut;
    if (control_ == nullptr || (!in && !out) || QuietFocus::Active()) {
        return QObject::eventFilter(watched, event);
    }
    // A drop-down list (or a menu) takes the keyboard only while it is open; the control keeps
    // the focus, as it would with the platform's own lists.
    if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason) {
        return false;
    }
    if (in) {
        control_->Focus();
    } else if (control_->HasFocus()) {
        control_->Owner().ClearFocus();
    }
    return false;
}

QuietFocus::QuietFocus() {
    ++quietDepth;
}

QuietFocus::~QuietFocus() {
    --quietDepth;
}

bool QuietFocus::Active() {
    return quietDepth > 0;
}

}  // namespace tavr
