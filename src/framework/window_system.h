#pragma once

#include "framework/window.h"
#include "framework/window_thread.h"

namespace tavr {

// The window system a program runs on: its window thread's services, showing a window whose
// controls have been added, and the message loop.
class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    virtual WindowThread& Thread() = 0;
    // Gives the window and its visible controls their native peers and shows it. Called after
    // the controls have been added and before the window's created event.
    virtual void Show(Window& window) = 0;
    // Runs the window thread's message loop until `window` has been closed.
    virtual void RunUntilClosed(Window& window) = 0;
};

}  // namespace tavr
