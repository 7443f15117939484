#include "framework/qt/qt_window_widget.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QScreen>

namespace tavr {

namespace {

int CeilMilliseconds(RepaintPacing::Clock::duration wait) {
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count());
}

}  // namespace

QtWindowWidget::QtWindowWidget()
    : pacing_(FrameAt(screen() != nullptr ? screen()->refreshRate() : 0)) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(QIcon(QStringLiteral(":/tavr/app_icon.png")));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    heldRepaint_.setSingleShot(true);
    heldRepaint_.setTimerType(Qt::PreciseTimer);
    connect(&heldRepaint_, &QTimer::timeout, this, [this] { RepaintNow(); });
}

void QtWindowWidget::SetRepaintFrame(std::chrono::nanoseconds frame) {
    pacing_.SetFrame(std::chrono::duration_cast<RepaintPacing::Clock::duration>(frame));
    if (heldRepaint_.isActive()) {
        StartFrameTimer();
    }
}

void QtWindowWidget::CheckBeforeNextFrame(QWidget& child, std::function<void()> check) {
    for (const auto& [waiting, _] : checks_) {
        if (waiting == &child) {
            return;
        }
    }
    checks_.emplace_back(&child, std::move(check));
    if (!heldRepaint_.isActive()) {
        StartFrameTimer();
    }
}

void QtWindowWidget::DropCheck(QWidget& child) {
    std::erase_if(checks_, [&child](const auto& waiting) { return waiting.first == &child; });
    if (checks_.empty() && !repaintHeld_) {
        heldRepaint_.stop();
    }
}

void QtWindowWidget::closeEvent(QCloseEvent* event) {
    if (onClose) {
        onClose();
    }
    event->accept();
}

void QtWindowWidget::keyPressEvent(QKeyEvent* event) {
    // Keys reach the window only when the focused widget did not use them.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool QtWindowWidget::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest) {
        return HoldBackRepaint() || PaintFrame(event);
    }
    const bool handled = QWidget::event(event);
    if ((event->type() == QEvent::Show || event->type() == QEvent::Move) && onFrameMayHaveChanged) {
        onFrameMayHaveChanged();
    }
    return handled;
}

// Qt sends no further UpdateRequest while one is unanswered: the changes made meanwhile wait for
// the held one. A repaint asked for while only checks wait is not held back by them: it runs the
// checks itself.
bool QtWindowWidget::HoldBackRepaint() {
    if (repaintHeld_) {
        return true;
    }
    if (pacing_.WaitBefore(RepaintPacing::Clock::now()) <= RepaintPacing::Clock::duration::zero()) {
        return false;
    }
    repaintHeld_ = true;
    StartFrameTimer();
    return true;
}

void QtWindowWidget::StartFrameTimer() {
    const RepaintPacing::Clock::time_point now = RepaintPacing::Clock::now();
    heldRepaint_.start(
        CeilMilliseconds(repaintHeld_ ? pacing_.WaitBefore(now) : pacing_.LookWaitBefore(now)));
}

void QtWindowWidget::RepaintNow() {
    QEvent request(QEvent::UpdateRequest);
    PaintFrame(&request);
}

bool QtWindowWidget::PaintFrame(QEvent* request) {
    heldRepaint_.stop();
    repaintHeld_ = false;
    // A check that marks its child makes Qt ask again; that request finds nothing left to paint.
    auto checks = std::move(checks_);
    checks_.clear();
    for (auto& [child, check] : checks) {
        if (child) {
            check();
        }
    }
    // This paint takes everything marked so far, what the checks marked too. The repaint Qt has
    // asked for meanwhile would find nothing left, and, coming within a frame of this paint, it
    // would be held back by a timer whose wake-up paints nothing: once per read cycle.
    QCoreApplication::removePostedEvents(this, QEvent::UpdateRequest);
    const bool handled = QWidget::event(request);
    pacing_.Painted(RepaintPacing::Clock::now());
    return handled;
}

}  // namespace tavr
