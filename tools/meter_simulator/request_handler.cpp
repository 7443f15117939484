#include "meter_simulator/request_handler.h"

#include <algorithm>

#include "protocol/frame_codec.h"
#include "protocol/read_reply.h"

namespace tavr::simulator {

namespace {

constexpr std::uint8_t kBroadcastAddress = 0;
constexpr std::uint8_t kExceptionMark = 0x80;
constexpr std::uint8_t kIllegalFunction = 0x01;
constexpr std::uint8_t kIllegalDataAddress = 0x02;
constexpr std::uint8_t kIllegalDataValue = 0x03;
constexpr int kMostRegistersPerRead = 125;

int Word(const ByteSet& frame, std::size_t offset) {
    return frame[offset] * 256 + frame[offset + 1];
}

ByteSet Sealed(ByteSet frame) {
    AppendCrc(frame);
    return frame;
}

ByteSet ExceptionAnswer(const ByteSet& request, std::uint8_t code) {
    return Sealed({request[0], static_cast<std::uint8_t>(request[1] | kExceptionMark), code});
}

}  // namespace

RequestHandler::RequestHandler(RegisterBank& bank, std::uint64_t seed)
    : bank_(bank), noise_(seed) {}

std::vector<Exchange> RequestHandler::Receive(std::span<const std::uint8_t> bytes) {
    return Handle(assembler_.Feed(bytes));
}

std::vector<Exchange> RequestHandler::Silence() {
    return Handle(assembler_.EndOfFrame());
}

std::vector<Exchange> RequestHandler::Handle(std::vector<Piece> pieces) {
    std::vector<Exchange> exchanges;
    for (Piece& piece : pieces) {
        if (piece.isFrame) {
            exchanges.push_back(HandleFrame(std::move(piece.bytes)));
        } else {
            exchanges.push_back({Verdict::Discarded, std::move(piece.bytes), std::nullopt});
        }
    }
    return exchanges;
}

Exchange RequestHandler::HandleFrame(ByteSet frame) {
    const std::uint8_t slave = frame[0];
    if (slave != kBroadcastAddress && !bank_.AnswersTo(slave)) {
        return {Verdict::OtherAddress, std::move(frame), std::nullopt};
    }
    if (fault_.kind == FaultKind::Silent) {
        return {Verdict::Unheard, std::move(frame), std::nullopt};
    }
    if (slave == kBroadcastAddress) {
        CarryOutBroadcast(frame);
        return {Verdict::Broadcast, std::move(frame), std::nullopt};
    }
    Transmission answer = Disturb(Answer(frame));
    return {Verdict::Answered, std::move(frame), std::move(answer)};
}

ByteSet RequestHandler::Answer(const ByteSet& request) {
    const bool knownLength = request.size() == static_cast<std::size_t>(kRequestLength);
    if (request[1] == kReadFunction && knownLength) {
        return ReadRegisters(request);
    }
    if (request[1] == kWriteFunction && knownLength) {
        return WriteRegister(request);
    }
    if (request[1] == kReadFunction || request[1] == kWriteFunction) {
        return ExceptionAnswer(request, kIllegalDataValue);
    }
    return ExceptionAnswer(request, kIllegalFunction);
}

ByteSet RequestHandler::ReadRegisters(const ByteSet& request) const {
    const int start = Word(request, 2);
    const int count = Word(request, 4);
    if (count < 1 || count > kMostRegistersPerRead) {
        return ExceptionAnswer(request, kIllegalDataValue);
    }
    if (start + count > kRegisterCount) {
        return ExceptionAnswer(request, kIllegalDataAddress);
    }
    std::vector<std::uint16_t> values;
    values.reserve(static_cast<std::size_t>(count));
    for (int address = start; address < start + count; ++address) {
        values.push_back(bank_.Get(address));
    }
    return BuildReadReply(request[0], values);
}

ByteSet RequestHandler::WriteRegister(const ByteSet& request) {
    switch (bank_.Write(Word(request, 2), static_cast<std::uint16_t>(Word(request, 4)))) {
        case WriteResult::Stored:
            return request;
        case WriteResult::IllegalAddress:
            return ExceptionAnswer(request, kIllegalDataAddress);
        case WriteResult::IllegalValue:
            break;
    }
    return ExceptionAnswer(request, kIllegalDataValue);
}

void RequestHandler::CarryOutBroadcast(const ByteSet& request) {
    if (request[1] == kWriteFunction &&
        request.size() == static_cast<std::size_t>(kRequestLength)) {
        bank_.Write(Word(request, 2), static_cast<std::uint16_t>(Word(request, 4)));
    }
}

Transmission RequestHandler::Disturb(ByteSet answer) {
    Transmission transmission;
    const auto size = static_cast<std::int64_t>(answer.size());
    switch (fault_.kind) {
        case FaultKind::Short: {
            const std::int64_t kept = fault_.argument == 0 ? size - 1 : fault_.argument;
            answer.resize(static_cast<std::size_t>(std::min(kept, size - 1)));
            break;
        }
        case FaultKind::BadCrc:
            answer[answer.size() - 2] ^= 0xFF;
            answer[answer.size() - 1] ^= 0xFF;
            break;
        case FaultKind::Delay:
            transmission.delay = std::chrono::milliseconds{fault_.argument};
            break;
        case FaultKind::Garbage:
            answer = Garbage(static_cast<std::size_t>(fault_.argument));
            break;
        case FaultKind::HangUp:
            answer.clear();
            transmission.hangUpPause = std::chrono::milliseconds{fault_.argument};
            break;
        case FaultKind::None:
        case FaultKind::Silent:
            break;
    }
    transmission.bytes = std::move(answer);
    return transmission;
}

ByteSet RequestHandler::Garbage(std::size_t count) {
    ByteSet bytes(count);
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 8 == 0) {
            word = noise_();
        }
        bytes[i] = static_cast<std::uint8_t>(word >> (8 * (i % 8)));
    }
    return bytes;
}

}  // namespace tavr::simulator
