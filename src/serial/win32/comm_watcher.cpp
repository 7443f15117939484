#include "serial/win32/comm_watcher.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <utility>

namespace tavr {
namespace {

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr DWORD kReceiveErrors = CE_OVERRUN | CE_RXPARITY | CE_FRAME;
constexpr DWORD kModemEvents = EV_CTS | EV_DSR | EV_RLSD;

constexpr std::chrono::milliseconds kFirstRetryDelay{10};
constexpr std::chrono::milliseconds kLongestRetryDelay{1000};

// How long a cancelled operation is waited for; three of them fit in the second that ending
// the watcher may take.
constexpr DWORD kCancelLimitMs = 250;
// Added to a transfer's own limit for a busy system.
constexpr std::uint64_t kTransferGraceMs = 1000;
// The bits one byte takes on the line at most: start, 8 data, parity and 2 stop bits.
constexpr std::uint64_t kBitsPerByte = 12;
constexpr std::uint64_t kLongestTransferMs = 0x7FFF'FFFF;

UniqueHandle ManualResetSignal() {
    return UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

void QueueModemEvent(DWORD mask, DWORD event, DWORD status, DWORD line, CommEventCode on,
                     CommEventCode off, std::vector<SerialEvent>& events) {
    if ((mask & event) != 0) {
        events.push_back(CommEvent((status & line) != 0 ? on : off));
    }
}

}  // namespace

std::unique_ptr<CommWatcher> CommWatcher::Start(UniqueHandle port, SerialEventQueue& queue,
                                                const WatcherOptions& options) {
    std::unique_ptr<CommWatcher> watcher(new CommWatcher(std::move(port), queue, options));
    if (!watcher->MakeSignals()) {
        // Closing the port must not overwrite the reason.
        const DWORD error = ::GetLastError();
        watcher.reset();
        ::SetLastError(error);
        return nullptr;
    }
    const HANDLE wake = watcher->wake_.Get();
    queue.SetResumeReader([wake] { ::SetEvent(wake); });
    try {
        watcher->thread_ = std::thread(&CommWatcher::Run, watcher.get());
    } catch (const std::system_error&) {
        queue.SetResumeReader(nullptr);
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return watcher;
}

// A fresh operation signalled through its own event; nothing when the event cannot be made.
std::unique_ptr<CommWatcher::Operation> CommWatcher::MakeOperation() {
    auto operation = std::make_unique<Operation>();
    operation->done = ManualResetSignal();
    if (!operation->done.Valid()) {
        return nullptr;
    }
    operation->overlapped.hEvent = operation->done.Get();
    return operation;
}

// Readies `operation` for its next call: offsets at zero, its signal reset.
void CommWatcher::Rearm(Operation& operation) {
    operation.overlapped.Offset = 0;
    operation.overlapped.OffsetHigh = 0;
    ::ResetEvent(operation.done.Get());
}

CommWatcher::CommWatcher(UniqueHandle port, SerialEventQueue& queue, const WatcherOptions& options)
    : portHandle_(std::move(port)), port_(portHandle_.Get()), queue_(queue), options_(options) {
    // Without the line's own time-outs to go back to, the watcher reads as the bytes come.
    if (options.batchReplies && ::GetCommTimeouts(port_, &lineTimeouts_)) {
        batching_.emplace(options.Pace());
    }
}

bool CommWatcher::MakeSignals() {
    wake_ = UniqueHandle(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    stop_ = ManualResetSignal();
    lineEventWait_ = MakeOperation();
    firstByteRead_ = MakeOperation();
    burstRead_ = MakeOperation();
    transfer_ = MakeOperation();
    return wake_.Valid() && stop_.Valid() && lineEventWait_ && firstByteRead_ && burstRead_ &&
           transfer_;
}

CommWatcher::~CommWatcher() {
    if (!thread_.joinable()) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    ::SetEvent(stop_.Get());
    ::SetEvent(wake_.Get());
    thread_.join();
    queue_.SetResumeReader(nullptr);
    // The driver may still write into an operation it never let go of: its memory and signal
    // stay with it.
    for (std::unique_ptr<Operation>* operation :
         {&lineEventWait_, &firstByteRead_, &burstRead_, &transfer_}) {
        if ((*operation)->abandoned) {
            static_cast<void>(operation->release());
        }
    }
}

// The watcher performs the write on a copy of `bytes`, so that giving up on its answer leaves
// it nothing that could go away. The answer may be late by the transfer the watcher is
// finishing (bytes the driver already holds, read at once) and a cancellation.
bool CommWatcher::Write(const ByteSet& bytes) {
    std::unique_lock lock(mutex_);
    if (ended_) {
        return false;
    }
    pendingWrite_ = bytes;
    const std::uint64_t number = ++writesRequested_;
    lock.unlock();
    ::SetEvent(wake_.Get());
    lock.lock();
    const auto limit = std::chrono::milliseconds(std::uint64_t{TransferLimitMs(bytes.size())} +
                                                 kTransferGraceMs + kCancelLimitMs);
    const bool answered =
        writeDone_.wait_for(lock, limit, [&] { return writeAnswered_ == number || ended_; });
    if (!answered) {
        // Not written if the watcher has not taken it yet.
        pendingWrite_.reset();
        return false;
    }
    return writeAnswered_ == number && writeResult_;
}

// The driver was purged by Open before the thread started. Purging again here would race with
// the first bytes of the far side, which may come as soon as Open has returned.
void CommWatcher::Run() {
    for (;;) {
        NoteAbandonment();
        ReadBacklog();
        ArmPortWait();
        const Operation& portOperation = PortOperation();
        const std::array<HANDLE, 2> signals{wake_.Get(), portOperation.done.Get()};
        const DWORD count = portOperation.pending ? 2 : 1;
        const DWORD woken = ::WaitForMultipleObjects(count, signals.data(), FALSE, WaitTimeout());
        if (woken == WAIT_FAILED) {
            CancelPortWait();
            EndAbnormally();
            return;
        }
        Requests requests = TakeRequests();
        if (requests.stop) {
            CancelPortWait();
            return;
        }
        if (woken == WAIT_OBJECT_0 + 1) {
            FinishPortWait();
        } else if (BurstLookDue()) {
            FinishBurstRead(false);
        }
        if (requests.write) {
            FinishWrite(requests.writeNumber, PerformWrite(std::move(*requests.write)));
        }
    }
}

// A port whose driver kept an operation past its cancellation is not used any more: it is
// reported lost, as one that stopped answering.
void CommWatcher::NoteAbandonment() {
    if (hungUp_ || !(lineEventWait_->abandoned || firstByteRead_->abandoned ||
                     burstRead_->abandoned || transfer_->abandoned)) {
        return;
    }
    std::vector<SerialEvent> events;
    NoteHangUp(events);
    Flush(events);
}

CommWatcher::Requests CommWatcher::TakeRequests() {
    const std::lock_guard lock(mutex_);
    return {stopRequested_, std::exchange(pendingWrite_, std::nullopt), writesRequested_};
}

// Until the planned look during a burst; asleep for good while the port is watched or gone, or
// until the queue's taking wakes the watcher; otherwise until the delayed next wait.
DWORD CommWatcher::WaitTimeout() const {
    if (burstRead_->pending) {
        const auto remaining =
            std::chrono::ceil<std::chrono::milliseconds>(*batching_->NextLook() - Clock::now());
        return static_cast<DWORD>(std::max<long long>(remaining.count(), 0));
    }
    if (hungUp_ || lineEventWait_->pending || firstByteRead_->pending || queue_.ReadingPaused()) {
        return INFINITE;
    }
    const auto remaining =
        std::chrono::ceil<std::chrono::milliseconds>(nextArm_ - Clock::now()).count();
    return static_cast<DWORD>(std::max<long long>(remaining, 0));
}

// Once the queue has room again, reads what the driver kept while it was full. Not while a
// one-byte read is pending: the byte it holds came before the backlog, and its completion reads
// the backlog after it.
void CommWatcher::ReadBacklog() {
    if (!backlog_ || hungUp_ || firstByteRead_->pending || queue_.ReadingPaused()) {
        return;
    }
    std::vector<SerialEvent> events;
    Drain(events);
    Flush(events);
}

CommWatcher::Operation& CommWatcher::PortOperation() {
    if (InBurst()) {
        return *burstRead_;
    }
    return portWait_ == PortWait::LineEvent ? *lineEventWait_ : *firstByteRead_;
}

bool CommWatcher::InBurst() const {
    return batching_ && batching_->NextLook().has_value();
}

// A driver that does not keep the time-outs leaves the burst's read pending past its look.
bool CommWatcher::BurstLookDue() const {
    return burstRead_->pending && Clock::now() >= *batching_->NextLook();
}

// Starts the wait for the port unless one is under way. A wait that ends at once is handled
// here, and the next one started, until one is pending, the port has failed or the queue is full.
void CommWatcher::ArmPortWait() {
    while (!hungUp_ && Clock::now() >= nextArm_ && !queue_.ReadingPaused()) {
        const bool pending = InBurst()                          ? ArmBurstRead()
                             : portWait_ == PortWait::LineEvent ? ArmLineEventWait()
                                                                : ArmFirstByteRead();
        if (pending) {
            return;
        }
    }
}

// True when the wait is (still) pending; false when it ended at once and was handled.
bool CommWatcher::ArmLineEventWait() {
    Operation& wait = *lineEventWait_;
    if (wait.pending) {
        return true;
    }
    wait.eventMask = 0;
    Rearm(wait);
    if (::WaitCommEvent(port_, &wait.eventMask, &wait.overlapped)) {
        std::vector<SerialEvent> events;
        QueueLineEvents(wait.eventMask, events);
        Drain(events);
        Settle(events);
        return false;
    }
    if (::GetLastError() == ERROR_IO_PENDING) {
        wait.pending = true;
        return true;
    }
    OnPortWaitFailed();
    return false;
}

bool CommWatcher::ArmFirstByteRead() {
    Operation& read = *firstByteRead_;
    if (read.pending) {
        return true;
    }
    read.buffer.resize(1);
    Rearm(read);
    if (::ReadFile(port_, read.buffer.data(), 1, nullptr, &read.overlapped) ||
        ::GetLastError() == ERROR_IO_PENDING) {
        // Handled like a read that was pending, also when it ended at once.
        read.pending = true;
        return true;
    }
    OnPortWaitFailed();
    return false;
}

// Reads the rest of the reply under way, at most what the queue takes, with the burst's
// time-outs. True when the read is pending; false when the burst ended instead.
bool CommWatcher::ArmBurstRead() {
    Operation& read = *burstRead_;
    if (read.pending) {
        return true;
    }
    const std::size_t wanted = std::min(batching_->BytesToFullReply(), RoomFor(held_));
    if (wanted == 0) {
        // The rest stays with the driver until the queue has room again.
        backlog_ = true;
        EndBurst();
        return false;
    }
    const Clock::time_point look = *batching_->NextLook();
    if (!SetBurstTimeouts(look)) {
        OnBurstReadFailed();
        return false;
    }
    read.buffer.resize(wanted);
    Rearm(read);
    if (::ReadFile(port_, read.buffer.data(), static_cast<DWORD>(wanted), nullptr,
                   &read.overlapped) ||
        ::GetLastError() == ERROR_IO_PENDING) {
        // Handled like a read that was pending, also when it ended at once.
        read.pending = true;
        return true;
    }
    OnBurstReadFailed();
    return false;
}

// The interval time-out ends a read once the line has been quiet for the gap after a byte; the
// total time-out ends it at the planned look.
bool CommWatcher::SetBurstTimeouts(Clock::time_point look) {
    const auto untilLook = std::chrono::ceil<std::chrono::milliseconds>(look - Clock::now());
    COMMTIMEOUTS timeouts = lineTimeouts_;
    timeouts.ReadIntervalTimeout =
        static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(batching_->Gap()).count());
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant =
        static_cast<DWORD>(std::max<long long>(untilLook.count(), 1));
    burstReadEnd_ = Clock::now() + std::chrono::milliseconds(timeouts.ReadTotalTimeoutConstant);
    burstTimeoutsSet_ = true;
    return ::SetCommTimeouts(port_, &timeouts) != 0;
}

void CommWatcher::RestoreLineTimeouts() {
    if (burstTimeoutsSet_) {
        ::SetCommTimeouts(port_, &lineTimeouts_);
        burstTimeoutsSet_ = false;
    }
}

// The burst's read ended (`signalled`), or its look is due and the watcher ends it. What it
// read is held or delivered as the batching says; the read errors the driver noted go before
// those bytes.
void CommWatcher::FinishBurstRead(bool signalled) {
    Operation& read = *burstRead_;
    DWORD transferred = 0;
    bool ended = true;
    if (signalled) {
        read.pending = false;
        ended = ::GetOverlappedResult(port_, &read.overlapped, &transferred, FALSE) != 0;
    } else if (!CancelOperation(read, transferred)) {
        ended = !read.abandoned && ::GetLastError() == ERROR_OPERATION_ABORTED;
    }
    const Clock::time_point now = Clock::now();
    DWORD errors = 0;
    COMSTAT status{};
    if (::ClearCommError(port_, &errors, &status) && (errors & kReceiveErrors) != 0) {
        held_.push_back(CommEvent(CommEventCode::LineError));
    }
    AppendReceivedBytes({read.buffer.data(), transferred}, options_.eventChar, held_);
    if (!ended) {
        OnBurstReadFailed();
        return;
    }
    // Short of what it asked for before its total time-out: the driver saw the line quiet.
    const bool quietSeen = signalled && transferred < read.buffer.size() && now < burstReadEnd_;
    if (batching_->Look(now, transferred, quietSeen)) {
        Flush(held_);
    }
    if (backlog_ || !InBurst()) {
        EndBurst();
    }
}

// The first bytes after a quiet line, which are queued at once, may begin a burst.
void CommWatcher::BeginBurst(const std::vector<SerialEvent>& events) {
    if (!batching_) {
        return;
    }
    const auto bytes = std::count_if(events.begin(), events.end(), [](const SerialEvent& event) {
        return event.kind == SerialEvent::Kind::DataArrival;
    });
    batching_->Look(Clock::now(), static_cast<std::size_t>(bytes));
}

// Ends the burst, if any: a pending read is ended and what it took queued with what is held,
// and the line's own time-outs are set back.
void CommWatcher::EndBurst() {
    if (!batching_) {
        return;
    }
    if (burstRead_->pending) {
        DWORD transferred = 0;
        CancelOperation(*burstRead_, transferred);
        AppendReceivedBytes({burstRead_->buffer.data(), transferred}, options_.eventChar, held_);
    }
    batching_->Restart();
    Flush(held_);
    RestoreLineTimeouts();
}

// The driver's state tells whether the port is lost (Drain); either way the watcher goes back
// to waiting for a first byte.
void CommWatcher::OnBurstReadFailed() {
    EndBurst();
    std::vector<SerialEvent> events;
    Drain(events);
    Flush(events);
}

// The pending wait for the port has ended.
void CommWatcher::FinishPortWait() {
    if (InBurst()) {
        FinishBurstRead(true);
        return;
    }
    Operation& operation = PortOperation();
    operation.pending = false;
    DWORD transferred = 0;
    if (!::GetOverlappedResult(port_, &operation.overlapped, &transferred, FALSE)) {
        OnPortWaitFailed();
        return;
    }
    std::vector<SerialEvent> events;
    if (portWait_ == PortWait::LineEvent) {
        QueueLineEvents(operation.eventMask, events);
    } else {
        AppendReceivedBytes({operation.buffer.data(), transferred}, options_.eventChar, events);
    }
    Drain(events);
    Settle(events);
}

// Queues what a finished wait brought. A wait that brought nothing makes the next one start a
// little later, so that a driver that keeps ending waits at once cannot make the thread spin; a
// wait that ends while the queue is full brings nothing because nothing may be read.
void CommWatcher::Settle(std::vector<SerialEvent>& events) {
    const bool brought = !events.empty();
    BeginBurst(events);
    Flush(events);
    if (backlog_ && InBurst()) {
        EndBurst();
    }
    if (!brought && !hungUp_ && !backlog_) {
        OnFruitlessWake();
    } else {
        fruitlessWakes_ = 0;
    }
}

// A wait that fails is no sign of a lost port by itself: the driver's state tells (Drain). A
// line-event wait that fails while the port still answers (refused, or ended aborted without
// the watcher asking) cannot be relied on to sleep, so the watcher waits in reads from then on.
void CommWatcher::OnPortWaitFailed() {
    std::vector<SerialEvent> events;
    Drain(events);
    if (hungUp_) {
        Flush(events);
        return;
    }
    if (portWait_ == PortWait::LineEvent) {
        portWait_ = PortWait::FirstByte;
        Flush(events);
        return;
    }
    Settle(events);
}

void CommWatcher::OnFruitlessWake() {
    const auto delay = std::min<std::chrono::milliseconds>(
        kFirstRetryDelay * (1 << std::min(fruitlessWakes_, 7)), kLongestRetryDelay);
    ++fruitlessWakes_;
    nextArm_ = Clock::now() + delay;
}

// Ends the pending wait for the port or the burst, if any, and waits a bounded time until the
// driver has let go of it. Bytes that a read took meanwhile are queued: they came before
// whatever follows.
void CommWatcher::CancelPortWait() {
    EndBurst();
    DWORD transferred = 0;
    if (lineEventWait_->pending) {
        // Clearing the mask ends the wait; cancelling covers a driver that ignores that.
        ::SetCommMask(port_, 0);
        CancelOperation(*lineEventWait_, transferred);
    }
    if (firstByteRead_->pending) {
        const bool completed = CancelOperation(*firstByteRead_, transferred);
        if (completed && transferred == 1) {
            std::vector<SerialEvent> events;
            AppendReceivedBytes({firstByteRead_->buffer.data(), transferred}, options_.eventChar,
                                events);
            Flush(events);
        }
    }
}

// Reads everything the driver holds, as far as the queue has room, in as many reads as it
// takes; read errors the driver reports become CommEvent(4). Notes a hang-up when the driver no
// longer answers.
void CommWatcher::Drain(std::vector<SerialEvent>& events) {
    // A lost port is no longer read; its transfer may belong to the driver.
    if (hungUp_ || transfer_->abandoned) {
        return;
    }
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(port_, &errors, &status)) {
            NoteHangUp(events);
            return;
        }
        if ((errors & kReceiveErrors) != 0) {
            events.push_back(CommEvent(CommEventCode::LineError));
        }
        if (status.cbInQue == 0) {
            backlog_ = false;
            return;
        }
        const auto wanted =
            static_cast<DWORD>(std::min<std::size_t>(status.cbInQue, RoomFor(events)));
        if (wanted == 0) {
            // The rest stays with the driver until the queue has room again.
            backlog_ = true;
            return;
        }
        Operation& transfer = *transfer_;
        transfer.buffer.resize(wanted);
        Rearm(transfer);
        DWORD read = 0;
        const bool started =
            ::ReadFile(port_, transfer.buffer.data(), wanted, nullptr, &transfer.overlapped) != 0;
        const bool finished = FinishOverlapped(transfer, read, started, TransferLimitMs(wanted));
        // What a cancelled read took is queued; a failed read loses nothing the next wait cannot
        // find again.
        AppendReceivedBytes({transfer.buffer.data(), read}, options_.eventChar, events);
        if (!finished || read == 0 || hungUp_) {
            return;
        }
    }
}

void CommWatcher::QueueLineEvents(DWORD mask, std::vector<SerialEvent>& events) {
    if ((mask & EV_BREAK) != 0) {
        events.push_back(CommEvent(CommEventCode::Break));
    }
    if ((mask & EV_ERR) != 0) {
        events.push_back(CommEvent(CommEventCode::LineError));
    }
    if ((mask & EV_RING) != 0) {
        events.push_back(CommEvent(CommEventCode::Ring));
    }
    DWORD status = 0;
    // A port without modem lines cannot tell their state; their events are then left out.
    if ((mask & kModemEvents) == 0 || !::GetCommModemStatus(port_, &status)) {
        return;
    }
    QueueModemEvent(mask, EV_CTS, status, MS_CTS_ON, CommEventCode::CtsOn, CommEventCode::CtsOff,
                    events);
    QueueModemEvent(mask, EV_DSR, status, MS_DSR_ON, CommEventCode::DsrOn, CommEventCode::DsrOff,
                    events);
    QueueModemEvent(mask, EV_RLSD, status, MS_RLSD_ON, CommEventCode::CarrierOn,
                    CommEventCode::CarrierLost, events);
}

void CommWatcher::NoteHangUp(std::vector<SerialEvent>& events) {
    if (hungUp_) {
        return;
    }
    hungUp_ = true;
    events.push_back(CommEvent(CommEventCode::CarrierLost));
}

// How many more entries the queue takes besides `events`, which are still to be queued.
std::size_t CommWatcher::RoomFor(const std::vector<SerialEvent>& events) {
    const std::size_t room = queue_.Room();
    return room > events.size() ? room - events.size() : 0;
}

void CommWatcher::Flush(std::vector<SerialEvent>& events) {
    if (!events.empty()) {
        if (!queue_.Append(events)) {
            backlog_ = true;
        }
        events.clear();
    }
}

bool CommWatcher::PerformWrite(ByteSet bytes) {
    // A pending read would take the first byte of the answer before the purge; it is ended
    // first, and whatever it already holds is queued. A burst ends here too: the answer's first
    // byte is to be queued at once, and the write and that wait use the line's own time-outs.
    if (firstByteRead_->pending || InBurst()) {
        CancelPortWait();
    }
    ::PurgeComm(port_, kPurgeAll);
    if (hungUp_) {
        return false;
    }
    // The meter answers a request at once: the wait for its first byte starts now, not after a
    // back-off that quiet spells before the request have built up.
    fruitlessWakes_ = 0;
    nextArm_ = Clock::now();
    Operation& transfer = *transfer_;
    transfer.buffer = std::move(bytes);
    Rearm(transfer);
    const auto count = static_cast<DWORD>(transfer.buffer.size());
    DWORD written = 0;
    const bool started =
        ::WriteFile(port_, transfer.buffer.data(), count, nullptr, &transfer.overlapped) != 0;
    if (FinishOverlapped(transfer, written, started, TransferLimitMs(count)) && written == count) {
        return true;
    }
    std::vector<SerialEvent> events;
    Drain(events);
    Flush(events);
    return false;
}

// How long a transfer of `count` bytes may run: never less than the driver's own time-outs
// allow (the line's time-out before each byte and once more) nor than the bytes take on the
// line, with a grace for a busy system. A driver that takes longer has stopped.
DWORD CommWatcher::TransferLimitMs(std::size_t count) const {
    const auto baud = static_cast<std::uint64_t>(std::max(options_.baudRate, 1));
    const std::uint64_t byteOnLineMs = (kBitsPerByte * 1000 + baud - 1) / baud;
    const std::uint64_t perByteMs =
        std::max(static_cast<std::uint64_t>(std::max(options_.timeoutMs, 0)), byteOnLineMs);
    const std::uint64_t limit =
        kTransferGraceMs + perByteMs * (static_cast<std::uint64_t>(count) + 1);
    return static_cast<DWORD>(std::min(limit, kLongestTransferMs));
}

// Waits for an overlapped read or write that `started` (its call returned TRUE) or may still
// be running (its call failed with ERROR_IO_PENDING), at most `limitMs` and never past a stop
// request. False when it failed or was cancelled; `transferred` then says how much of it was
// done all the same.
bool CommWatcher::FinishOverlapped(Operation& operation, DWORD& transferred, bool started,
                                   DWORD limitMs) {
    transferred = 0;
    if (!started && ::GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    operation.pending = true;
    return AwaitOperation(operation, transferred, limitMs);
}

bool CommWatcher::AwaitOperation(Operation& operation, DWORD& transferred, DWORD limitMs) {
    const std::array<HANDLE, 2> signals{operation.done.Get(), stop_.Get()};
    if (::WaitForMultipleObjects(2, signals.data(), FALSE, limitMs) != WAIT_OBJECT_0) {
        return CancelOperation(operation, transferred);
    }
    operation.pending = false;
    return ::GetOverlappedResult(port_, &operation.overlapped, &transferred, FALSE) != 0;
}

// Cancels a pending operation and waits, a bounded time, for the driver to let go of it. True
// when it had completed after all. A driver that keeps it is given up on: the operation is
// left to it, and the port counts as lost from the watcher's next turn (NoteAbandonment).
bool CommWatcher::CancelOperation(Operation& operation, DWORD& transferred) {
    transferred = 0;
    ::CancelIoEx(port_, &operation.overlapped);
    if (::WaitForSingleObject(operation.done.Get(), kCancelLimitMs) != WAIT_OBJECT_0) {
        operation.abandoned = true;
        operation.pending = false;
        return false;
    }
    operation.pending = false;
    return ::GetOverlappedResult(port_, &operation.overlapped, &transferred, FALSE) != 0;
}

void CommWatcher::FinishWrite(std::uint64_t number, bool result) {
    {
        const std::lock_guard lock(mutex_);
        writeResult_ = result;
        writeAnswered_ = number;
    }
    writeDone_.notify_all();
}

void CommWatcher::EndAbnormally() {
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
    }
    writeDone_.notify_all();
}

}  // namespace tavr
