#include "framework/qt/qt_control_peer.h"

namespace tavr {

QtControlPeer::QtControlPeer(Control& control, QWidget* widget)
    : control_(control), widget_(widget), focus_(control) {
    focus_.Watch(*widget_);
    TakeTabStop();
}

QtControlPeer::~QtControlPeer() {
    if (attached_) {
        QtControlPeer::Detach();
    }
    if (widget_ != nullptr) {
        widget_->removeEventFilter(&focus_);
    }
}

void QtControlPeer::Detach() {
    if (attached_) {
        control_.AttachPeer(nullptr);
        attached_ = false;
    }
    focus_.Detach();
}

void QtControlPeer::ApplyFrameColour(const std::optional<Colour>&) {}

void QtControlPeer::Attach() {
    attached_ = true;
    control_.AttachPeer(this);
}

void QtControlPeer::BoundsChanged() {
    widget_->setGeometry(control_.Left(), control_.Top(), control_.Width(), control_.Height());
}

void QtControlPeer::VisibleChanged() {
    widget_->setVisible(control_.Visible());
}

void QtControlPeer::EnabledChanged() {
    widget_->setEnabled(!control_.Disabled());
}

void QtControlPeer::MirrorCommonProperties() {
    BoundsChanged();
    VisibleChanged();
    EnabledChanged();
}

void QtControlPeer::ReplaceWidget(QWidget* replacement) {
    QWidget* old = widget_;
    replacement->setParent(old->parentWidget());
    replacement->stackUnder(old);
    QWidget::setTabOrder(old, replacement);
    widget_ = replacement;
    focus_.Watch(*widget_);
    TakeTabStop();
    MirrorCommonProperties();
    // The focus stays with the control: it only changes its widget.
    const QuietFocus quiet;
    if (old->hasFocus()) {
        widget_->setFocus();
    }
    old->removeEventFilter(&focus_);
    delete old;
}

void QtControlPeer::TakeTabStop() {
    // A control that is no tab stop still takes the focus when clicked.
    if (!control_.TabStop() && (widget_->focusPolicy() & Qt::TabFocus) != 0) {
        widget_->setFocusPolicy(Qt::ClickFocus);
    }
}

}  // namespace tavr
