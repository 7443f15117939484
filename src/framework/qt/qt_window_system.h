#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "framework/qt/qt_timer_scheduler.h"
#include "framework/qt/qt_visual_style.h"
#include "framework/qt/qt_window_peer.h"
#include "framework/qt/qt_window_thread_poster.h"
#include "framework/window.h"
#include "framework/window_system.h"
#include "framework/window_thread.h"

namespace tavr {

// Qt as the program's window system. It provides the window thread's services on the GUI thread
// (posting from other threads, timers, Delay, the themed look), shows fatal program errors in a
// message box, and gives windows their widgets. Make it on the GUI thread after the
// QApplication and before the windows using its Thread(); the windows go before it does:
//
//     QApplication application(argc, argv);
//     QtWindowSystem windowSystem;
//     Window window(windowSystem.Thread(), title, 695, 670);
//     ...add the controls, give them their design values, bind the handlers...
//     windowSystem.Show(window);
//     window.Create();
//     windowSystem.RunUntilClosed(window);
class QtWindowSystem final : public WindowSystem {
  public:
    QtWindowSystem();
    QtWindowSystem(const QtWindowSystem&) = delete;
    QtWindowSystem& operator=(const QtWindowSystem&) = delete;
    ~QtWindowSystem() override;

    WindowThread& Thread() override { return thread_; }
    QtTimerScheduler& Timers() { return timers_; }

    // Builds the widgets of `window` (its controls added and given their design values, the
    // window not yet created), attaches them, centres the window on the screen and shows it.
    QtWindowPeer& ShowWindow(Window& window);
    void Show(Window& window) override { ShowWindow(window); }
    // Runs Qt's event loop; it ends when the last window has closed.
    void RunUntilClosed(Window& window) override;

  private:
    void ApplyStyle(const VisualStyle& style);

    QObject postReceiver_;
    std::shared_ptr<QtWindowThreadPoster> poster_;
    QtTimerScheduler timers_;
    WindowThread thread_;
    QtVisualStyle look_;
    std::vector<std::unique_ptr<QtWindowPeer>> windows_;
};

}  // namespace tavr
