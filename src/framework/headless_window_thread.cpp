#include "framework/headless_window_thread.h"

namespace tavr {

HeadlessWindowThread::HeadlessWindowThread()
    : posts_(std::make_shared<QueuedPoster>()),
      thread_(posts_, clock_,
              [this](std::chrono::milliseconds duration) { clock_.Stall(duration.count()); }) {}

}  // namespace tavr
