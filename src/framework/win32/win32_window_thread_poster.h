#pragma once

#include <windows.h>

#include <deque>
#include <mutex>

#include "framework/window_thread_poster.h"

namespace tavr {

// Posting to the window thread: a task waits in a queue of its own, and one posted private
// message per task to a message window of the window thread runs the oldest task. Tasks thus
// run one at a time, in the order they were posted, each as a separate message of the loop.
class Win32WindowThreadPoster final : public WindowThreadPoster {
  public:
    static constexpr UINT kRunTask = WM_APP + 1;

    // `target` belongs to the window thread and lives until Stop() has been called.
    explicit Win32WindowThreadPoster(HWND target) : target_(target) {}

    void Post(Task task) override;
    // Window thread: runs the oldest waiting task (on a kRunTask message).
    void RunOldest();
    // Window thread: drops every waiting task and every later post; the target may then go.
    void Stop();

  private:
    std::mutex mutex_;
    HWND target_;
    std::deque<Task> tasks_;
};

}  // namespace tavr
