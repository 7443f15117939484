#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "runtime/types.h"

namespace tavr::simulator {

// A run of received bytes: either a frame whose checksum holds, or bytes that belong to no
// frame (noise, a frame with a wrong checksum, a frame cut short by a silence).
struct Piece {
    ByteSet bytes;
    bool isFrame = false;
};

// Cuts the received byte stream into Modbus RTU request frames. A frame of a function whose
// request length is known (8 bytes for 0x03 and 0x06) ends with its last byte; any other frame
// ends with the silence between frames. Where the bytes at the front form no valid frame, they
// are given up one at a time until a valid frame begins, so the stream resynchronises after
// noise or a damaged frame without waiting for a silence.
class FrameAssembler {
  public:
    // Takes the next received bytes and returns what they complete, in order.
    std::vector<Piece> Feed(std::span<const std::uint8_t> bytes);

    // The line has been silent for the gap between frames: whatever is held ends here.
    std::vector<Piece> EndOfFrame();

    // True while bytes wait for the rest of their frame.
    bool HoldsBytes() const { return !held_.empty(); }

    // Forgets the bytes held, as when the line goes away.
    void Clear() { held_.clear(); }

  private:
    void TakeCompleteFrames(std::vector<Piece>& pieces);
    void GiveUp(std::size_t count, std::vector<Piece>& pieces);

    ByteSet held_;
};

}  // namespace tavr::simulator
