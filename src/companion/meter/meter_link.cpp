#include "companion/meter/meter_link.h"

#include <algorithm>

#include "companion/meter/port_unit.h"
#include "protocol/frame_codec.h"
#include "serial/serial_event.h"

namespace tavr {

namespace {

using Clock = std::chrono::steady_clock;

// Start bit, 8 data bits, one stop bit.
constexpr std::int64_t kBitsPerByte = 10;
constexpr std::uint8_t kExceptionFlag = 0x80;
constexpr std::size_t kExceptionLength = 5;

// A Modbus exception answer to `request`: its address, the function with the top bit set, the
// code and a matching checksum. Returns the exception code, or 0.
std::uint8_t ExceptionCode(const ByteSet& answer, const ByteSet& request) {
    if (answer.size() < kExceptionLength || answer[0] != request[0] ||
        answer[1] != (request[1] | kExceptionFlag)) {
        return 0;
    }
    return CrcMatches(std::span(answer).first(kExceptionLength)) ? answer[2] : 0;
}

}  // namespace

MeterLink::MeterLink(InterruptHandle interrupt) : waiter_(interrupt) {
    unit_ = MakePortUnit([this] { waiter_.Notify(); });
}

SerialOpenResult MeterLink::Open(const ConnectionChoice& connection) {
    SerialPortProperties properties;
    properties.SetPortNumber(connection.port);
    properties.SetBaudRate(connection.baud);
    baud_ = connection.baud;
    timeout_ = connection.timeout;
    if (!waiter_.Valid()) {
        return {SerialOpenError::SystemError, "", "no event for the serial unit's notices"};
    }
    return OpenChosenPort(*unit_, connection, properties);
}

void MeterLink::Close() {
    unit_->Close();
}

std::chrono::milliseconds MeterLink::ReplyTimeout() const {
    const std::int64_t bits = (kRequestLength + kReadReplyLength) * kBitsPerByte;
    const std::int64_t lineMs = (bits * 1000 + baud_ - 1) / std::max<std::int32_t>(baud_, 1);
    return timeout_ + std::chrono::milliseconds(lineMs);
}

ReadOutcome MeterLink::ReadRegisters(std::uint8_t deviceId) {
    const Collected collected = Exchange(BuildReadRequest(deviceId), kReadReplyLength);
    if (collected.interrupted) {
        return {ExchangeOutcome::Interrupted, {}};
    }
    if (collected.hungUp) {
        return {ExchangeOutcome::HungUp, {}};
    }
    if (collected.bytes.empty()) {
        return {ExchangeOutcome::Silent, {}};
    }
    if (collected.bytes.size() < static_cast<std::size_t>(kReadReplyLength)) {
        return {ExchangeOutcome::Garbled, {}};
    }
    const ReadReply reply = ParseReadReply(
        std::span<const std::uint8_t, kReadReplyLength>(collected.bytes.data(), kReadReplyLength));
    if (!reply.IsIntactReplyFrom(deviceId)) {
        return {ExchangeOutcome::Garbled, {}};
    }
    return {ExchangeOutcome::Answered, reply};
}

WriteOutcome MeterLink::WriteRegister(std::uint8_t deviceId, std::uint16_t address,
                                      std::uint16_t value) {
    const ByteSet request = BuildWriteRequest(deviceId, address, value);
    const Collected collected = Exchange(request, request.size());
    if (collected.interrupted) {
        return {ExchangeOutcome::Interrupted};
    }
    if (collected.hungUp) {
        return {ExchangeOutcome::HungUp};
    }
    if (collected.bytes.empty()) {
        return {ExchangeOutcome::Silent};
    }
    if (const std::uint8_t code = ExceptionCode(collected.bytes, request); code != 0) {
        return {ExchangeOutcome::Garbled, code};
    }
    const bool echoed = collected.bytes.size() >= request.size() &&
                        std::equal(request.begin(), request.end(), collected.bytes.begin());
    return {echoed ? ExchangeOutcome::Answered : ExchangeOutcome::Garbled};
}

bool MeterLink::Pause(std::chrono::milliseconds pause) const {
    return waiter_.WaitForInterrupt(Clock::now() + pause) != NoticeWaiter::Woken::Interrupted;
}

MeterLink::PauseEnd MeterLink::PauseUnlessWoken(std::chrono::milliseconds pause) {
    const NoticeWaiter::Woken woken = waiter_.WaitForNotice(Clock::now() + pause);
    if (woken == NoticeWaiter::Woken::Interrupted) {
        return PauseEnd::Interrupted;
    }
    if (woken == NoticeWaiter::Woken::TimedOut) {
        return PauseEnd::Elapsed;
    }
    // The next pause waits for a new notice; bytes that came meanwhile stay queued for the next
    // request, which drops them as belonging to none.
    waiter_.Clear();
    return PauseEnd::Woken;
}

void MeterLink::Wake() {
    waiter_.Notify();
}

MeterLink::Collected MeterLink::Exchange(const ByteSet& request, std::size_t expected) {
    Collected collected;
    // Whatever is still queued belongs to an earlier request.
    TakeQueued(collected);
    collected.bytes.clear();
    if (collected.hungUp || !unit_->Send(request)) {
        collected.hungUp = true;
        return collected;
    }
    const Clock::time_point deadline = Clock::now() + ReplyTimeout();
    while (collected.bytes.size() < expected && !collected.hungUp && !collected.interrupted) {
        if (!WaitForNotice(deadline, collected)) {
            break;
        }
        TakeQueued(collected);
    }
    return collected;
}

void MeterLink::TakeQueued(Collected& collected) {
    waiter_.Clear();
    unit_->DeliverQueued([&collected](const SerialEvent& event) {
        if (event.kind == SerialEvent::Kind::DataArrival) {
            collected.bytes.push_back(static_cast<std::uint8_t>(event.argument));
        } else if (event.argument == static_cast<std::int32_t>(CommEventCode::CarrierLost)) {
            collected.hungUp = true;
        }
        return true;
    });
}

bool MeterLink::WaitForNotice(Clock::time_point deadline, Collected& collected) {
    switch (waiter_.WaitForNotice(deadline)) {
        case NoticeWaiter::Woken::Notice:
            return true;
        case NoticeWaiter::Woken::Interrupted:
            collected.interrupted = true;
            return true;
        case NoticeWaiter::Woken::TimedOut:
            return false;
    }
    return false;
}

}  // namespace tavr
