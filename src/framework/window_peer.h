#pragma once

namespace tavr {

// The window system's side of a Window (a top-level widget).
class WindowPeer {
  public:
    virtual ~WindowPeer() = default;
    virtual void TitleChanged() = 0;
    // The window's top-left corner moved.
    virtual void Moved() = 0;
    // The window has been closed: its controls are destroyed and the window thread's loop may end.
    virtual void Closed() = 0;
};

}  // namespace tavr
