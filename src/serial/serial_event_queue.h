#pragma once

#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "serial/serial_port_device.h"

namespace tavr {

// The events a watcher has found and the window thread has not yet taken, guarded by one mutex.
// Every appended entry posts one notice while the mutex is held, so a notice never arrives
// before its entry. Taking and clearing hold the mutex only to swap or empty the entries and
// call nothing meanwhile, so a poster that takes a lock of its own cannot deadlock with them as
// long as the window thread does not hold that lock while taking.
class SerialEventQueue {
  public:
    using Poster = std::function<void()>;

    explicit SerialEventQueue(Poster postQueueReady) : post_(std::move(postQueueReady)) {}

    void Append(std::span<const SerialEvent> events);
    std::vector<SerialEvent> TakeAll();
    void Clear();

  private:
    Poster post_;
    std::mutex mutex_;
    std::vector<SerialEvent> entries_;
};

}  // namespace tavr
