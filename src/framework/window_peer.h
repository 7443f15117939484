#pragma once

#include <cstdint>

namespace tavr {

// The window system's side of a Window (a top-level widget).
class WindowPeer {
  public:
    virtual ~WindowPeer() = default;
    // A window property was written (Window::kTitle, the position or the size).
    virtual void PropertyChanged(std::int32_t index) = 0;
    // The window has been closed: its controls are destroyed and the window thread's loop may end.
    virtual void Closed() = 0;
};

}  // namespace tavr
