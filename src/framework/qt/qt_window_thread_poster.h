#pragma once

#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

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

    // GUI thread: runs `work` once the GUI thread's current event has been handled. Inside a
    // posted task (a port's delivery), that is right after the task returns, before anything
    // else; otherwise it goes as a queued call. Either way it is dropped when `context` has gone
    // by then. A task's own queued call would cost the GUI thread one more wake-up of its event
    // loop for every reply.
    void AfterCurrentEvent(QObject& context, Task work);

  private:
    void RunOldest();
    void RunAfterTask();

    // Held by Post while it asks Qt for the queued call, so that Stop cannot let the receiver go
    // meanwhile; the GUI thread taking a task never waits on it. Taken before tasksMutex_.
    std::mutex receiverMutex_;
    QObject* receiver_;
    std::mutex tasksMutex_;
    std::deque<Task> tasks_;
    // GUI thread only.
    int taskDepth_ = 0;
    std::vector<std::pair<QPointer<QObject>, Task>> afterTask_;
};

}  // namespace tavr
