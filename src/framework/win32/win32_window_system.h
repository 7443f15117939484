#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "framework/win32/win32_message_window.h"
#include "framework/win32/win32_timer_scheduler.h"
#include "framework/win32/win32_window_peer.h"
#include "framework/win32/win32_window_report.h"
#include "framework/win32/win32_window_thread_poster.h"
#include "framework/window.h"
#include "framework/window_system.h"
#include "framework/window_thread.h"

namespace tavr {

// Win32 as the program's window system. It provides the window thread's services on the
// thread that makes it (posting from other threads, window timers, Delay, the themed look),
// shows fatal program errors in a message box, and gives windows their native windows. The
// windows go before it does:
//
//     Win32WindowSystem windowSystem;
//     Window window(windowSystem.Thread(), title, 695, 670);
//     ...add the controls, give them their design values, bind the handlers...
//     windowSystem.Show(window);
//     window.Create();
//     windowSystem.RunUntilClosed(window);
class Win32WindowSystem final : public WindowSystem {
  public:
    Win32WindowSystem();
    Win32WindowSystem(const Win32WindowSystem&) = delete;
    Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;
    ~Win32WindowSystem() override;

    WindowThread& Thread() override { return thread_; }

    // Makes the native windows of `window` (its controls added and given their design values,
    // the window not yet created), attaches them, centres the window on the screen and shows
    // it.
    Win32WindowPeer& ShowWindow(Window& window);
    void Show(Window& window) override { ShowWindow(window); }
    // Runs the message loop until `window` has been closed. Tab and Shift+Tab move the focus
    // through the tab-stop controls and Esc closes the window unless the focused control takes
    // the key; Enter has no special meaning.
    void RunUntilClosed(Window& window) override;

  private:
    void Received(UINT message, WPARAM wParam);
    void ApplyStyle(const VisualStyle& style);
    Win32WindowPeer* PeerOf(const Window& window) const;
    void WriteReport(const Win32WindowPeer& window);

    Win32MessageWindow messages_;
    std::shared_ptr<Win32WindowThreadPoster> poster_;
    Win32TimerScheduler timers_;
    WindowThread thread_;
    std::vector<std::unique_ptr<Win32WindowPeer>> windows_;
    std::optional<Win32WindowReport> report_;
};

}  // namespace tavr
