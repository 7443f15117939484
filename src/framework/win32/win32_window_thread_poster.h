#pragma once

#include <windows.h>

#include <deque>
#include <mutex>

#include "framework/window_thread_poster.h"

namespace tavr {

// Posting to the window thread: a task waits in a queue of its own, and a posted private message
// to a message window of the window thread runs the tasks waiting when it arrives, one at a
// time, in the order they were posted. Only a post into an empty queue posts the message: each
// posted message costs a round trip to the window system (under wine, to its server), and a
// reply's 75 bytes come as 75 tasks.
class Win32WindowThreadPoster final : public WindowThreadPoster {
  public:
    static constexpr UINT kRunTask = WM_APP + 1;

    // `target` belongs to the window thread and lives until Stop() has been called.
    explicit Win32WindowThreadPoster(HWND target) : target_(target) {}

    void Post(Task task) override;
    // Window thread: runs the tasks waiting now (on a kRunTask message); tasks they post wait for
    // the next message.
    void RunWaiting();
    // Window thread: drops every waiting task and every later post; the target may then go.
    void Stop();

  private:
    std::mutex mutex_;
    HWND target_;
    std::deque<Task> tasks_;
};

}  // namespace tavr
