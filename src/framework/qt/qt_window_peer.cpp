#include "framework/qt/qt_window_peer.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "framework/qt/qt_control_peer_factory.h"
#include "framework/qt/qt_text.h"

namespace tavr {

QtWindowPeer::QtWindowPeer(Window& window, QtWindowThreadPoster& poster)
    : window_(&window), poster_(poster), widget_(std::make_unique<QtWindowWidget>()) {
    widget_->setWindowTitle(ToQString(window.Title()));
    widget_->onClose = [this] {
        if (window_ != nullptr) {
            window_->Close();
        }
    };
    widget_->onFrameMayHaveChanged = [this] { FitOuterSize(); };
    BuildControls();
    window.AttachPeer(this);
    FitOuterSize();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    window.CentreOnScreen(screen.width(), screen.height());
}

QtWindowPeer::~QtWindowPeer() {
    Detach();
}

QWidget* QtWindowPeer::WidgetOf(const Control& control) const {
    for (const auto& [owner, peer] : peers_) {
        if (owner == &control) {
            return &peer->Widget();
        }
    }
    return nullptr;
}

void QtWindowPeer::ApplyFrameColour(const std::optional<Colour>& colour) {
    if (window_ == nullptr) {
        return;  // closed: its controls may have gone
    }
    for (const auto& entry : peers_) {
        entry.second->ApplyFrameColour(colour);
    }
}

void QtWindowPeer::TitleChanged() {
    if (window_ != nullptr) {
        widget_->setWindowTitle(ToQString(window_->Title()));
    }
}

void QtWindowPeer::Moved() {
    if (window_ != nullptr) {
        widget_->move(window_->Left(), window_->Top());  // the frame's corner
    }
}

void QtWindowPeer::Closed() {
    if (window_ == nullptr) {
        return;
    }
    Detach();
    widget_->close();
}

void QtWindowPeer::BuildControls() {
    for (const auto& control : window_->Controls()) {
        if (auto peer = MakeQtControlPeer(*control, *widget_, poster_)) {
            peers_.emplace_back(control.get(), std::move(peer));
        }
    }
    QWidget* previous = nullptr;
    for (const auto& entry : peers_) {
        QtControlPeer& peer = *entry.second;
        peer.Attach();
        peer.Widget().lower();  // each later control goes under the ones before it
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, &peer.Widget());
        }
        previous = &peer.Widget();
    }
}

void QtWindowPeer::Detach() {
    if (window_ == nullptr) {
        return;
    }
    for (const auto& entry : peers_) {
        entry.second->Detach();
    }
    window_->AttachPeer(nullptr);
    window_ = nullptr;
}

void QtWindowPeer::FitOuterSize() {
    if (window_ == nullptr) {
        return;
    }
    // Qt knows the frame only once the window system has framed the window; until then (and
    // on platforms without frames) the margins are 0 and the client area takes the whole size.
    const QWindow* handle = widget_->windowHandle();
    const QMargins frame = handle != nullptr ? handle->frameMargins() : QMargins();
    widget_->setFixedSize(window_->Width() - frame.left() - frame.right(),
                          window_->Height() - frame.top() - frame.bottom());
}

}  // namespace tavr
