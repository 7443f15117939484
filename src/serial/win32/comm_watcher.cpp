#include "serial/win32/comm_watcher.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <utility>

namespace tavr {
namespace {

constexpr std::int32_t kBreak = 1;
constexpr std::int32_t kCtsOn = 2;
constexpr std::int32_t kDsrOn = 3;
constexpr std::int32_t kLineError = 4;
constexpr std::int32_t kRing = 5;
constexpr std::int32_t kRlsdOn = 6;
constexpr std::int32_t kEventChar = 7;
constexpr std::int32_t kCtsOff = 8;
constexpr std::int32_t kDsrOff = 9;
constexpr std::int32_t kRlsdOff = 10;

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr DWORD kReceiveErrors = CE_OVERRUN | CE_RXPARITY | CE_FRAME;
constexpr DWORD kModemEvents = EV_CTS | EV_DSR | EV_RLSD;

constexpr std::chrono::milliseconds kFirstRetryDelay{10};
constexpr std::chrono::milliseconds kLongestRetryDelay{1000};

SerialEvent CommEvent(std::int32_t code) {
    return {SerialEvent::Kind::CommEvent, code};
}

UniqueHandle ManualResetSignal() {
    return UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

void QueueModemEvent(DWORD mask, DWORD event, DWORD status, DWORD line, std::int32_t on,
                     std::int32_t off, std::vector<SerialEvent>& events) {
    if ((mask & event) != 0) {
        events.push_back(CommEvent((status & line) != 0 ? on : off));
    }
}

}  // namespace

std::unique_ptr<CommWatcher> CommWatcher::Start(HANDLE port, SerialEventQueue& queue,
                                                std::optional<std::uint8_t> eventChar) {
    std::unique_ptr<CommWatcher> watcher(new CommWatcher(port, queue, eventChar));
    if (!watcher->MakeSignals()) {
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

CommWatcher::CommWatcher(HANDLE port, SerialEventQueue& queue,
                         std::optional<std::uint8_t> eventChar)
    : port_(port), queue_(queue), eventChar_(eventChar) {}

bool CommWatcher::MakeSignals() {
    wake_ = UniqueHandle(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    for (Operation* operation : {&lineEventWait_, &firstByteRead_, &transfer_}) {
        operation->done = ManualResetSignal();
        if (!operation->done.Valid()) {
            return false;
        }
        operation->overlapped.hEvent = operation->done.Get();
    }
    return wake_.Valid();
}

CommWatcher::~CommWatcher() {
    if (!thread_.joinable()) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    ::SetEvent(wake_.Get());
    thread_.join();
    queue_.SetResumeReader(nullptr);
}

bool CommWatcher::Write(const ByteSet& bytes) {
    std::unique_lock lock(mutex_);
    if (ended_) {
        return false;
    }
    pendingWrite_ = &bytes;
    writeFinished_ = false;
    lock.unlock();
    ::SetEvent(wake_.Get());
    lock.lock();
    writeDone_.wait(lock, [this] { return writeFinished_ || ended_; });
    pendingWrite_ = nullptr;
    return writeFinished_ && writeResult_;
}

// The driver was purged by Open before the thread started. Purging again here would race with
// the first bytes of the far side, which may come as soon as Open has returned.
void CommWatcher::Run() {
    for (;;) {
        ReadBacklog();
        ArmPortWait();
        const Operation& portOperation =
            portWait_ == PortWait::LineEvent ? lineEventWait_ : firstByteRead_;
        const std::array<HANDLE, 2> signals{wake_.Get(), portOperation.done.Get()};
        const DWORD count = portOperation.pending ? 2 : 1;
        const DWORD woken = ::WaitForMultipleObjects(count, signals.data(), FALSE, WaitTimeout());
        if (woken == WAIT_FAILED) {
            CancelPortWait();
            EndAbnormally();
            return;
        }
        const Requests requests = TakeRequests();
        if (requests.stop) {
            CancelPortWait();
            return;
        }
        if (woken == WAIT_OBJECT_0 + 1) {
            FinishPortWait();
        }
        if (requests.write != nullptr) {
            FinishWrite(PerformWrite(*requests.write));
        }
    }
}

CommWatcher::Requests CommWatcher::TakeRequests() {
    const std::lock_guard lock(mutex_);
    return {stopRequested_, std::exchange(pendingWrite_, nullptr)};
}

// Asleep for good while the port is watched or gone, or until the queue's taking wakes the
// watcher; otherwise until the delayed next wait.
DWORD CommWatcher::WaitTimeout() const {
    if (hungUp_ || lineEventWait_.pending || firstByteRead_.pending || queue_.ReadingPaused()) {
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
    if (!backlog_ || hungUp_ || firstByteRead_.pending || queue_.ReadingPaused()) {
        return;
    }
    std::vector<SerialEvent> events;
    Drain(events);
    Flush(events);
}

// Starts the wait for the port unless one is under way. A wait that ends at once is handled
// here, and the next one started, until one is pending, the port has failed or the queue is full.
void CommWatcher::ArmPortWait() {
    while (!hungUp_ && Clock::now() >= nextArm_ && !queue_.ReadingPaused()) {
        const bool pending =
            portWait_ == PortWait::LineEvent ? ArmLineEventWait() : ArmFirstByteRead();
        if (pending) {
            return;
        }
    }
}

// True when the wait is (still) pending; false when it ended at once and was handled.
bool CommWatcher::ArmLineEventWait() {
    if (lineEventWait_.pending) {
        return true;
    }
    eventMask_ = 0;
    ::ResetEvent(lineEventWait_.done.Get());
    if (::WaitCommEvent(port_, &eventMask_, &lineEventWait_.overlapped)) {
        std::vector<SerialEvent> events;
        QueueLineEvents(eventMask_, events);
        Drain(events);
        Settle(events);
        return false;
    }
    if (::GetLastError() == ERROR_IO_PENDING) {
        lineEventWait_.pending = true;
        return true;
    }
    OnPortWaitFailed();
    return false;
}

bool CommWatcher::ArmFirstByteRead() {
    if (firstByteRead_.pending) {
        return true;
    }
    firstByteRead_.overlapped.Offset = 0;
    firstByteRead_.overlapped.OffsetHigh = 0;
    ::ResetEvent(firstByteRead_.done.Get());
    if (::ReadFile(port_, &firstByte_, 1, nullptr, &firstByteRead_.overlapped) ||
        ::GetLastError() == ERROR_IO_PENDING) {
        // Handled like a read that was pending, also when it ended at once.
        firstByteRead_.pending = true;
        return true;
    }
    OnPortWaitFailed();
    return false;
}

// The pending wait for the port has ended.
void CommWatcher::FinishPortWait() {
    Operation& operation = portWait_ == PortWait::LineEvent ? lineEventWait_ : firstByteRead_;
    operation.pending = false;
    DWORD transferred = 0;
    if (!::GetOverlappedResult(port_, &operation.overlapped, &transferred, FALSE)) {
        OnPortWaitFailed();
        return;
    }
    std::vector<SerialEvent> events;
    if (portWait_ == PortWait::LineEvent) {
        QueueLineEvents(eventMask_, events);
    } else {
        QueueBytes(&firstByte_, transferred, events);
    }
    Drain(events);
    Settle(events);
}

// Queues what a finished wait brought. A wait that brought nothing makes the next one start a
// little later, so that a driver that keeps ending waits at once cannot make the thread spin; a
// wait that ends while the queue is full brings nothing because nothing may be read.
void CommWatcher::Settle(std::vector<SerialEvent>& events) {
    const bool brought = !events.empty();
    Flush(events);
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

// Ends the pending wait for the port, if any, and waits until the driver has let go of it. A
// byte that a read took meanwhile is queued: it came before whatever follows.
void CommWatcher::CancelPortWait() {
    if (lineEventWait_.pending) {
        // Clearing the mask ends the wait; cancelling covers a driver that ignores that.
        ::SetCommMask(port_, 0);
        ::CancelIoEx(port_, &lineEventWait_.overlapped);
        DWORD ignored = 0;
        ::GetOverlappedResult(port_, &lineEventWait_.overlapped, &ignored, TRUE);
        lineEventWait_.pending = false;
    }
    if (firstByteRead_.pending) {
        ::CancelIoEx(port_, &firstByteRead_.overlapped);
        DWORD read = 0;
        const bool completed =
            ::GetOverlappedResult(port_, &firstByteRead_.overlapped, &read, TRUE);
        firstByteRead_.pending = false;
        if (completed && read == 1) {
            std::vector<SerialEvent> events;
            QueueBytes(&firstByte_, read, events);
            Flush(events);
        }
    }
}

// Reads everything the driver holds, as far as the queue has room, in as many reads as it
// takes; read errors the driver reports become CommEvent(4). Notes a hang-up when the driver no
// longer answers.
void CommWatcher::Drain(std::vector<SerialEvent>& events) {
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(port_, &errors, &status)) {
            NoteHangUp(events);
            return;
        }
        if ((errors & kReceiveErrors) != 0) {
            events.push_back(CommEvent(kLineError));
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
        ByteSet bytes(wanted);
        transfer_.overlapped.Offset = 0;
        transfer_.overlapped.OffsetHigh = 0;
        DWORD read = 0;
        const bool started =
            ::ReadFile(port_, bytes.data(), wanted, nullptr, &transfer_.overlapped) != 0;
        // A failed read loses nothing the next wait cannot find again.
        if (!FinishOverlapped(transfer_, read, started) || read == 0) {
            return;
        }
        QueueBytes(bytes.data(), read, events);
    }
}

void CommWatcher::QueueLineEvents(DWORD mask, std::vector<SerialEvent>& events) {
    if ((mask & EV_BREAK) != 0) {
        events.push_back(CommEvent(kBreak));
    }
    if ((mask & EV_ERR) != 0) {
        events.push_back(CommEvent(kLineError));
    }
    if ((mask & EV_RING) != 0) {
        events.push_back(CommEvent(kRing));
    }
    DWORD status = 0;
    // A port without modem lines cannot tell their state; their events are then left out.
    if ((mask & kModemEvents) == 0 || !::GetCommModemStatus(port_, &status)) {
        return;
    }
    QueueModemEvent(mask, EV_CTS, status, MS_CTS_ON, kCtsOn, kCtsOff, events);
    QueueModemEvent(mask, EV_DSR, status, MS_DSR_ON, kDsrOn, kDsrOff, events);
    QueueModemEvent(mask, EV_RLSD, status, MS_RLSD_ON, kRlsdOn, kRlsdOff, events);
}

void CommWatcher::QueueBytes(const std::uint8_t* bytes, std::size_t count,
                             std::vector<SerialEvent>& events) const {
    for (std::size_t i = 0; i < count; ++i) {
        if (eventChar_ == bytes[i]) {
            events.push_back(CommEvent(kEventChar));
        }
        events.push_back({SerialEvent::Kind::DataArrival, bytes[i]});
    }
}

void CommWatcher::NoteHangUp(std::vector<SerialEvent>& events) {
    if (hungUp_) {
        return;
    }
    hungUp_ = true;
    events.push_back(CommEvent(kRlsdOff));
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

bool CommWatcher::PerformWrite(const ByteSet& bytes) {
    // A pending read would take the first byte of the answer before the purge; it is ended
    // first, and whatever it already holds is queued.
    if (firstByteRead_.pending) {
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
    transfer_.overlapped.Offset = 0;
    transfer_.overlapped.OffsetHigh = 0;
    DWORD written = 0;
    const bool started = ::WriteFile(port_, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr,
                                     &transfer_.overlapped) != 0;
    if (FinishOverlapped(transfer_, written, started)) {
        return true;
    }
    std::vector<SerialEvent> events;
    Drain(events);
    Flush(events);
    return false;
}

// Waits for an overlapped read or write that `started` (its call returned TRUE) or may still
// be running (its call failed with ERROR_IO_PENDING). False when it failed.
bool CommWatcher::FinishOverlapped(Operation& operation, DWORD& transferred, bool started) {
    if (!started && ::GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    return ::GetOverlappedResult(port_, &operation.overlapped, &transferred, TRUE) != 0;
}

void CommWatcher::FinishWrite(bool result) {
    {
        const std::lock_guard lock(mutex_);
        writeResult_ = result;
        writeFinished_ = true;
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
