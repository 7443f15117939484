#include "framework/qt/qt_window_system.h"

#include <QApplication>
#include <QCoreApplication>

#include "framework/qt/qt_fatal_error_box.h"
#include "runtime/fatal_error.h"

namespace tavr {

QtWindowSystem::QtWindowSystem()
    : poster_(std::make_shared<QtWindowThreadPoster>(postReceiver_)), thread_(poster_, timers_) {
    thread_.Style().onChanged = [this](const VisualStyle& style) { ApplyStyle(style); };
    ApplyStyle(thread_.Style());
    InstallFatalErrorBox();
}

QtWindowSystem::~QtWindowSystem() {
    SetFatalErrorHandler({});
    windows_.clear();
    // Other threads may still hold the poster: nothing they post arrives any more.
    poster_->Stop();
    QCoreApplication::removePostedEvents(&postReceiver_);
}

void QtWindowSystem::RunUntilClosed(Window& window) {
    if (!window.IsClosed()) {
        QApplication::exec();
    }
}

QtWindowPeer& QtWindowSystem::ShowWindow(Window& window) {
    auto& peer = *windows_.emplace_back(std::make_unique<QtWindowPeer>(window, *poster_));
    peer.ApplyFrameColour(thread_.Style().FrameColour());
    peer.Show();
    return peer;
}

void QtWindowSystem::ApplyStyle(const VisualStyle& style) {
    look_.Apply(style);
    for (const auto& window : windows_) {
        window->ApplyFrameColour(style.FrameColour());
    }
}

}  // namespace tavr
