#pragma once

#include <QObject>
#include <deque>
#include <mutex>

#include "framework/window_thread_poster.h"

namespace tavr {

// Posting to the GUI thread: a task waits in a queue of its own, and one queued call per task
// on a receiver object of the GUI thread runs the oldest task. Tasks thus run one at a time, in
// the order they were posted, each as a separate event of the GUI thread's loop.
class QtWindowThreadPoster final : public WindowThreadPoster {
  public:
    // `receiver` lives on the GUI thread until Stop() has been called.
    explicit QtWindowThreadPoster(QObject& receiver) : receiver_(&receiver) {}

    void Post(Task task) override;
    // GUI thread: drops every waiting task and every later post; the receiver may then go.
    void Stop();

  private:
    void RunOldest();

    std::mutex mutex_;
    QObject* receiver_;
    std::deque<Task> tasks_;
};

}  // namespace tavr
