#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "runtime/types.h"
#include "serial/port_watcher.h"
#include "serial/reply_batching.h"
#include "serial/serial_event_queue.h"
#include "serial/win32/unique_handle.h"

namespace tavr {

// The thread that watches an open COM port (opened for overlapped I/O). It sleeps until the
// port or the window thread has something for it, with no periodic wake-up, and:
// - queues the line events of each completed WaitCommEvent: CommEvent(1) break, (4) line error,
//   (5) ring, then CTS (2 on / 8 off), DSR (3 / 9) and RLSD (6 / 10) from the modem status;
// - reads every byte the driver holds (ClearCommError's count) and queues one DataArrival per
//   byte, with CommEvent(7) right before each event character and CommEvent(4) before bytes
//   read after an overrun, parity or framing error;
// - performs the window thread's writes: purge both directions, write, report.
//
// Where WaitCommEvent cannot sleep (it is refused, or ends aborted without anyone asking, as on
// ports that have no modem lines to watch), the watcher waits in a one-byte read instead, which
// sleeps until a byte comes; line events are then known only from ClearCommError. A wait that ends
// without anything to read makes the next one start later, up to a second, so no state of the
// driver makes the thread spin.
//
// With the options' batchReplies (the companion) it batches a reply's bytes (ReplyBatching): the
// first bytes after a quiet line are queued at once; the rest are read in reads of at most the
// bytes still missing to a full reply, which the driver ends itself when the line has been quiet
// for Modbus's end-of-frame gap (the interval time-out) or at the batching's next planned look
// (the total time-out), so a reply costs a few wake-ups, not one per byte. The watcher ends a
// read that the driver keeps past its planned look itself (a driver that does not keep the
// time-outs) and takes what it holds. The line's own time-outs are set back once the burst is
// over, before any write and before the next wait for a first byte.
//
// When the port stops answering (ClearCommError fails: the device was removed or the far side
// of the line went away) it queues CommEvent(10), the carrier lost, once, stops watching the
// port and fails every later write.
//
// It reads no more than the event queue has room for. While the queue is full it neither waits
// for the port nor reads (the driver's buffer and the line's flow control hold the rest) until
// the window thread's taking wakes it; it then reads what the driver kept before it waits again,
// rather than count on the wait to announce bytes that came while nobody waited.
//
// No wait of the thread outlasts a stop request, and none but its sleep between port events is
// unbounded: a read or write runs at most its transfer limit (never less than the driver's own
// time-outs allow) and is then cancelled; a cancelled operation is waited for a bounded time.
// A driver that keeps an operation past that is given up on: the operation's memory is left to
// it, never reused or freed, and the port is treated as lost. So destroying the watcher returns
// within a second whatever the line and its driver do.
class CommWatcher final : public PortWatcher {
  public:
    // Starts watching `port`, which it holds from then on; the driver's time-outs are set from
    // the options' time-out. Nothing, and the port closed, when the thread or its signals cannot
    // be made; GetLastError() then tells why.
    static std::unique_ptr<CommWatcher> Start(UniqueHandle port, SerialEventQueue& queue,
                                              const WatcherOptions& options);

    // Stops the thread, ends its pending port operations, waits for it to end, takes its
    // wake-up back from the queue and closes the port.
    ~CommWatcher() override;
    CommWatcher(const CommWatcher&) = delete;
    CommWatcher& operator=(const CommWatcher&) = delete;

    // Has the watcher purge the driver's input and output, then write `bytes`. Blocks until the
    // bytes have been handed to the driver or the write failed or timed out; false too when the
    // watcher has not answered within the write's limit.
    bool Write(const ByteSet& bytes) override;

  private:
    using Clock = std::chrono::steady_clock;

    // What the watcher sleeps in while it waits for the port.
    enum class PortWait { LineEvent, FirstByte };

    // One overlapped operation, its manual-reset completion signal and the memory the driver
    // fills or reads while it runs.
    struct Operation {
        OVERLAPPED overlapped{};
        UniqueHandle done;
        ByteSet buffer;
        DWORD eventMask = 0;
        bool pending = false;
        // The driver kept it past its cancellation: it owns this memory from then on.
        bool abandoned = false;
    };

    struct Requests {
        bool stop = false;
        std::optional<ByteSet> write;
        std::uint64_t writeNumber = 0;
    };

    static std::unique_ptr<Operation> MakeOperation();
    static void Rearm(Operation& operation);

    CommWatcher(UniqueHandle port, SerialEventQueue& queue, const WatcherOptions& options);
    bool MakeSignals();

    void Run();
    void NoteAbandonment();
    Requests TakeRequests();
    void ReadBacklog();
    DWORD WaitTimeout() const;
    Operation& PortOperation();
    void ArmPortWait();
    bool ArmLineEventWait();
    bool ArmFirstByteRead();
    bool ArmBurstRead();
    bool InBurst() const;
    bool BurstLookDue() const;
    void FinishPortWait();
    void FinishBurstRead(bool signalled);
    void BeginBurst(const std::vector<SerialEvent>& events);
    void EndBurst();
    void OnBurstReadFailed();
    bool SetBurstTimeouts(Clock::time_point look);
    void RestoreLineTimeouts();
    void Settle(std::vector<SerialEvent>& events);
    void OnPortWaitFailed();
    void OnFruitlessWake();
    void CancelPortWait();
    void Drain(std::vector<SerialEvent>& events);
    void QueueLineEvents(DWORD mask, std::vector<SerialEvent>& events);
    void NoteHangUp(std::vector<SerialEvent>& events);
    std::size_t RoomFor(const std::vector<SerialEvent>& events);
    void Flush(std::vector<SerialEvent>& events);
    bool PerformWrite(ByteSet bytes);
    DWORD TransferLimitMs(std::size_t count) const;
    bool FinishOverlapped(Operation& operation, DWORD& transferred, bool started, DWORD limitMs);
    bool AwaitOperation(Operation& operation, DWORD& transferred, DWORD limitMs);
    bool CancelOperation(Operation& operation, DWORD& transferred);
    void FinishWrite(std::uint64_t number, bool result);
    void EndAbnormally();

    // Declared first, so that it is closed last, after the thread has ended.
    UniqueHandle portHandle_;
    const HANDLE port_;
    SerialEventQueue& queue_;
    const WatcherOptions options_;

    UniqueHandle wake_;  // auto-reset: a stop or write request is waiting
    UniqueHandle stop_;  // manual-reset: set once, when the watcher is to end
    // On the heap, so that an operation the driver never lets go of can be left to it.
    std::unique_ptr<Operation> lineEventWait_;
    std::unique_ptr<Operation> firstByteRead_;
    std::unique_ptr<Operation> burstRead_;
    std::unique_ptr<Operation> transfer_;  // draining reads and writes, always waited for at once

    // Shared with the window thread, guarded by mutex_.
    std::mutex mutex_;
    std::condition_variable writeDone_;
    bool stopRequested_ = false;
    std::optional<ByteSet> pendingWrite_;
    std::uint64_t writesRequested_ = 0;  // the number of the latest write request
    std::uint64_t writeAnswered_ = 0;    // the number of the last one performed
    bool writeResult_ = false;
    bool ended_ = false;

    // The watcher thread's own.
    PortWait portWait_ = PortWait::LineEvent;
    int fruitlessWakes_ = 0;
    Clock::time_point nextArm_{};
    bool hungUp_ = false;
    // The queue filled up: the driver may hold bytes that no wait will announce.
    bool backlog_ = false;
    // Only with batchReplies.
    std::optional<ReplyBatching> batching_;
    // The line's own time-outs, read once the watcher starts, and whether a burst's are set.
    COMMTIMEOUTS lineTimeouts_{};
    bool burstTimeoutsSet_ = false;
    // When the pending burst read's total time-out ends it.
    Clock::time_point burstReadEnd_{};
    // Read during a burst and not yet queued, in order.
    std::vector<SerialEvent> held_;

    std::thread thread_;
};

}  // namespace tavr
