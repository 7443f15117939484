#pragma once

#include <functional>

namespace tavr {

// Hands a task to the window thread. Post may be called from any thread; the task runs later on
// the window thread, after the handler running now (if any) has returned, and tasks posted from
// one thread run in the order they were posted.
class WindowThreadPoster {
  public:
    using Task = std::function<void()>;

    virtual ~WindowThreadPoster() = default;
    virtual void Post(Task task) = 0;
};

}  // namespace tavr
