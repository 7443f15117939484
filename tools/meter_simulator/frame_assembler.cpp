#include "meter_simulator/frame_assembler.h"

#include <optional>

#include "protocol/frame_codec.h"

namespace tavr::simulator {

namespace {

// Address, function and checksum: no frame is shorter.
constexpr std::size_t kShortestFrame = 4;
// The longest Modbus RTU frame; more held bytes than this cannot all belong to one frame.
constexpr std::size_t kLongestFrame = 256;

// The length of the request frame starting at `start`, when its function tells it and the
// bytes that tell it have arrived.
std::optional<std::size_t> RequestLength(const ByteSet& bytes, std::size_t start) {
    const auto byteAt = [&](std::size_t offset) -> std::optional<std::size_t> {
        if (start + offset >= bytes.size()) {
            return std::nullopt;
        }
        return bytes[start + offset];
    };
    const auto function = byteAt(1);
    if (!function) {
        return std::nullopt;
    }
    switch (*function) {
        case 0x01:
        case 0x02:
        case 0x03:
        case 0x04:
        case 0x05:
        case 0x06:
        case 0x08:
            return 8;
        case 0x07:
        case 0x0B:
        case 0x0C:
        case 0x11:
            return 4;
        case 0x0F:
        case 0x10:
            if (const auto count = byteAt(6)) {
                return 9 + *count;
            }
            return std::nullopt;
        case 0x16:
            return 10;
        case 0x17:
            if (const auto count = byteAt(10)) {
                return 13 + *count;
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

bool ChecksumHolds(const ByteSet& bytes, std::size_t start, std::size_t length) {
    if (length < kShortestFrame || start + length > bytes.size()) {
        return false;
    }
    return CrcMatches(std::span(bytes).subspan(start, length));
}

bool CompleteFrameAt(const ByteSet& bytes, std::size_t start) {
    const auto length = RequestLength(bytes, start);
    return length && ChecksumHolds(bytes, start, *length);
}

}  // namespace

std::vector<Piece> FrameAssembler::Feed(std::span<const std::uint8_t> bytes) {
    held_.insert(held_.end(), bytes.begin(), bytes.end());
    std::vector<Piece> pieces;
    TakeCompleteFrames(pieces);
    return pieces;
}

std::vector<Piece> FrameAssembler::EndOfFrame() {
    std::vector<Piece> pieces;
    TakeCompleteFrames(pieces);
    if (ChecksumHolds(held_, 0, held_.size())) {
        pieces.push_back({std::move(held_), true});
    } else if (!held_.empty()) {
        GiveUp(held_.size(), pieces);
    }
    held_.clear();
    return pieces;
}

void FrameAssembler::TakeCompleteFrames(std::vector<Piece>& pieces) {
    while (held_.size() >= kShortestFrame) {
        const auto length = RequestLength(held_, 0);
        if (length && held_.size() >= *length) {
            if (ChecksumHolds(held_, 0, *length)) {
                pieces.push_back({ByteSet(held_.begin(), held_.begin() + *length), true});
                held_.erase(held_.begin(), held_.begin() + *length);
            } else {
                GiveUp(1, pieces);
            }
            continue;
        }
        // The front cannot be judged yet: it may still grow into a frame, unless a complete
        // frame already follows it.
        std::size_t next = 1;
        while (next + kShortestFrame <= held_.size() && !CompleteFrameAt(held_, next)) {
            ++next;
        }
        if (next + kShortestFrame <= held_.size()) {
            GiveUp(next, pieces);
        } else if (held_.size() > kLongestFrame) {
            GiveUp(held_.size() - kLongestFrame, pieces);
        } else {
            return;
        }
    }
}

void FrameAssembler::GiveUp(std::size_t count, std::vector<Piece>& pieces) {
    if (pieces.empty() || pieces.back().isFrame) {
        pieces.push_back({});
    }
    ByteSet& lost = pieces.back().bytes;
    lost.insert(lost.end(), held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(count));
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(count));
}

}  // namespace tavr::simulator
