#pragma once

#include <windows.h>

#include <functional>

namespace tavr {

// A message-only window of the window thread: the target of posted messages and window timers
// that belong to no visible window. Make and destroy it on the window thread.
class Win32MessageWindow {
  public:
    using Handler = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;

    explicit Win32MessageWindow(Handler handler);
    Win32MessageWindow(const Win32MessageWindow&) = delete;
    Win32MessageWindow& operator=(const Win32MessageWindow&) = delete;
    ~Win32MessageWindow();

    HWND Handle() const { return hwnd_; }

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    Handler handler_;
    HWND hwnd_ = nullptr;
};

}  // namespace tavr
