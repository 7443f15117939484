#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "meter_simulator/fault.h"
#include "meter_simulator/frame_assembler.h"
#include "meter_simulator/register_bank.h"
#include "runtime/types.h"

namespace tavr::simulator {

// What goes back on the line for one request.
struct Transmission {
    ByteSet bytes;
    std::chrono::milliseconds delay{0};
    // Set: hang up the line instead of answering, and offer a new one after this pause.
    std::optional<std::chrono::milliseconds> hangUpPause;
};

enum class Verdict {
    Answered,      // a request for this meter: carried out (or refused) and answered
    Broadcast,     // a request to address 0: a write is carried out, nothing is answered
    OtherAddress,  // meant for another slave: ignored
    Unheard,       // meant for this meter, but the meter is silent: ignored
    Discarded,     // no valid frame: noise or a wrong checksum
};

struct Exchange {
    Verdict verdict;
    ByteSet received;
    std::optional<Transmission> answer;  // present only for Verdict::Answered
};

// The meter's side of the Modbus conversation: received bytes in, answers out. Reads (0x03) of
// any range within 0000H..0022H and single-register writes (0x06) are answered like the meter
// does; every other request addressed to this meter gets a Modbus exception answer. Frames
// with a wrong checksum or for another slave are ignored, and a broadcast is never answered.
class RequestHandler {
  public:
    // `bank` must outlive the handler. The seed makes the garbage fault's bytes repeatable.
    RequestHandler(RegisterBank& bank, std::uint64_t seed);

    void SetFault(const Fault& fault) { fault_ = fault; }
    const Fault& CurrentFault() const { return fault_; }

    // Takes received bytes; returns one exchange per frame or run of discarded bytes they end.
    std::vector<Exchange> Receive(std::span<const std::uint8_t> bytes);

    // The line has been silent for the gap between frames.
    std::vector<Exchange> Silence();

    bool HoldsPartialFrame() const { return assembler_.HoldsBytes(); }

    // Forgets a partly received frame, as when the line is hung up.
    void ForgetPartialFrame() { assembler_.Clear(); }

  private:
    std::vector<Exchange> Handle(std::vector<Piece> pieces);
    Exchange HandleFrame(ByteSet frame);
    ByteSet Answer(const ByteSet& request);
    ByteSet ReadRegisters(const ByteSet& request) const;
    ByteSet WriteRegister(const ByteSet& request);
    void CarryOutBroadcast(const ByteSet& request);
    Transmission Disturb(ByteSet answer);
    ByteSet Garbage(std::size_t count);

    RegisterBank& bank_;
    FrameAssembler assembler_;
    Fault fault_;
    std::mt19937_64 noise_;
};

}  // namespace tavr::simulator
