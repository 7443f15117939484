#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "runtime/types.h"
#include "serial/port_watcher.h"
#include "serial/posix/exclusive_tty.h"
#include "serial/posix/unique_fd.h"
#include "serial/reply_batching.h"
#include "serial/serial_event_queue.h"

namespace tavr {

// The thread that watches an open port. It sleeps in ppoll() on the port and on an eventfd that
// carries stop, resume and request notes, with no periodic wake-up. It reads every byte the port
// receives and queues one DataArrival entry per byte, preceded by the line events it can see:
// CommEvent(1) for a break and CommEvent(4) for an overrun, parity or framing error (from the
// driver's error counters, where the device keeps them), CommEvent(7) right before each event
// character. It queues the bytes in batches (ReplyBatching): the first after a quiet line at
// once, the rest of a reply at planned looks, while the port is left unwatched, so a reply that
// comes a byte at a time costs a few wake-ups instead of one per byte. When the device hangs up
// (a USB adapter pulled, the far side of a pseudo-terminal closed) it queues what it holds and
// CommEvent(10), the carrier lost, stops polling the port and fails every later write. While the
// queue is full it does not poll the port for input either (the kernel's buffer and the line's
// flow control hold the rest) until the window thread's taking wakes it. Writes do not go through
// the thread: the caller purges the driver and writes the non-blocking descriptor itself while
// the thread keeps reading, so a request leaves without a hand-over; the line's time-out bounds a
// whole write (0 writes only what the driver takes at once).
class SerialWatcher final : public PortWatcher {
  public:
    // Starts watching `port`, which it holds from then on. Nothing, and the port let go, when
    // the thread or its eventfd cannot be made.
    static std::unique_ptr<SerialWatcher> Start(ExclusiveTty port, SerialEventQueue& queue,
                                                const WatcherOptions& options);

    // Stops the thread, waits for it to end, then lets go of the port.
    ~SerialWatcher() override;
    SerialWatcher(const SerialWatcher&) = delete;
    SerialWatcher& operator=(const SerialWatcher&) = delete;

    // Discards the driver's pending input and output, then writes `bytes` on the calling thread.
    // Blocks until the bytes have been handed to the driver or the write failed or timed out.
    // Bytes the watcher had already read stay queued, in order, ahead of any read after the
    // write; bytes still in the driver are discarded.
    bool Write(const ByteSet& bytes) override;

  private:
    // The driver's counts of the line conditions that raise events.
    struct LineErrorCounts {
        std::int64_t breaks = 0;
        std::int64_t errors = 0;  // overruns, parity and framing errors
    };

    SerialWatcher(ExclusiveTty port, SerialEventQueue& queue, const WatcherOptions& options,
                  UniqueFd wakeFd);

    static std::optional<LineErrorCounts> ReadErrorCounts(int fd);

    void Wake();
    void Run();
    void ConsumeWakeCounter();
    void LookAtPort(short revents);
    // Reads what the driver holds into held_, as far as the queue has room; how many bytes.
    std::size_t ReadInput(short revents);
    void HoldReceived(const std::uint8_t* bytes, std::size_t count);
    void HoldLineErrors();
    void EndBurst();
    // Queues what is held; once the queue is full, reading stops and the burst with it.
    void QueueHeld();
    void NoteHangUp();
    bool WriteAll(const ByteSet& bytes);

    // Declared first, so that it is let go of last, after the thread has ended.
    ExclusiveTty port_;
    const int portFd_;
    SerialEventQueue& queue_;
    const WatcherOptions options_;
    UniqueFd wakeFd_;

    // Shared with the writing thread.
    std::atomic<bool> stopRequested_ = false;
    // A request went out since the watcher last looked: the burst it is in, if any, is over.
    std::atomic<bool> requestSent_ = false;
    // The watcher sleeps with the port unwatched: a request has to wake it.
    std::atomic<bool> inBurst_ = false;
    // The device hung up, or poll() failed and the thread ended: writes fail from then on.
    std::atomic<bool> ended_ = false;

    // The watcher thread's own.
    bool hungUp_ = false;
    std::optional<LineErrorCounts> errorCounts_;
    ReplyBatching batching_;
    // Read and not yet queued, in order.
    std::vector<SerialEvent> held_;

    std::thread thread_;
};

}  // namespace tavr
