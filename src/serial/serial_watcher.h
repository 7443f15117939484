#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "runtime/types.h"
#include "serial/serial_event_queue.h"
#include "serial/unique_fd.h"

namespace tavr {

// The thread that watches an open port. It sleeps in poll() on the port and on an eventfd that
// carries stop and write requests, with no periodic wake-up. It reads every byte the port
// receives and queues one DataArrival entry per byte, preceded by the line events it can see:
// CommEvent(1) for a break and CommEvent(4) for an overrun, parity or framing error (from the
// driver's error counters, where the device keeps them), CommEvent(7) right before each event
// character. When the device hangs up (a USB adapter pulled, the far side of a pseudo-terminal
// closed) it queues CommEvent(10), the carrier lost, stops polling the port and fails every later
// write. While the queue is full it does not poll the port for input either (the kernel's buffer
// and the line's flow control hold the rest) until the window thread's taking wakes it. Writes
// are performed here too, between reads: purge the driver, write, report.
class SerialWatcher {
  public:
    struct Options {
        // Bounds a whole write in milliseconds; 0 writes only what the driver takes at once.
        std::int32_t writeTimeoutMs = 1000;
        std::optional<std::uint8_t> eventChar;
    };

    // Starts watching `portFd`, which must stay open until the watcher is destroyed. Nothing when
    // the thread or its eventfd cannot be made.
    static std::unique_ptr<SerialWatcher> Start(int portFd, SerialEventQueue& queue,
                                                const Options& options);

    // Stops the thread and waits for it to end.
    ~SerialWatcher();
    SerialWatcher(const SerialWatcher&) = delete;
    SerialWatcher& operator=(const SerialWatcher&) = delete;

    // Has the watcher discard the driver's pending input and output, then write `bytes`. Blocks
    // until the bytes have been handed to the driver or the write failed or timed out.
    bool Write(const ByteSet& bytes);

  private:
    // The driver's counts of the line conditions that raise events.
    struct LineErrorCounts {
        std::int64_t breaks = 0;
        std::int64_t errors = 0;  // overruns, parity and framing errors
    };

    struct Requests {
        bool stop = false;
        const ByteSet* write = nullptr;
    };

    SerialWatcher(int portFd, SerialEventQueue& queue, const Options& options, UniqueFd wakeFd);

    static std::optional<LineErrorCounts> ReadErrorCounts(int fd);

    void Wake();
    void Run();
    void ConsumeWakeCounter();
    Requests TakeRequests();
    void ReadInput(short revents);
    // False once the queue is full.
    bool QueueReceived(const std::uint8_t* bytes, std::size_t count);
    void QueueLineErrors(std::vector<SerialEvent>& events);
    void NoteHangUp();
    bool PerformWrite(const ByteSet& bytes);
    void FinishWrite(bool result);
    void EndAbnormally();

    const int portFd_;
    SerialEventQueue& queue_;
    const Options options_;
    UniqueFd wakeFd_;

    // Shared with the window thread, guarded by mutex_.
    std::mutex mutex_;
    std::condition_variable writeDone_;
    bool stopRequested_ = false;
    const ByteSet* pendingWrite_ = nullptr;
    bool writeFinished_ = false;
    bool writeResult_ = false;
    bool ended_ = false;

    // The watcher thread's own.
    bool hungUp_ = false;
    std::optional<LineErrorCounts> errorCounts_;

    std::thread thread_;
};

}  // namespace tavr
