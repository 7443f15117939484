#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "runtime/types.h"
#include "simulator_process/simulator_process.h"

namespace tavr {

// A frame as upper-case hexadecimal bytes separated by blanks, e.g. "01 03 00 00 00 23 04 13",
// the way the simulator logs it.
std::string Hex(const ByteSet& frame);

// The meter simulator on a pseudo-terminal linked as COM port `com` under `configHome`, with
// its measurements and counters kept still at their starting values and every frame it
// receives logged to a file in `configHome`. `options` are further simulator options, e.g.
// {"--address", "7"}.
class SimulatedMeter {
  public:
    SimulatedMeter(const std::filesystem::path& configHome, int com,
                   const std::vector<std::string>& options = {});

    // True once the simulator has said that its line is ready.
    bool Ready() const { return ready_; }
    // The value the meter holds in the register at `address`; nothing when it did not answer.
    std::optional<std::uint16_t> Get(int address);
    // Makes the register at `address` hold `value`, as the meter's own measuring would.
    bool Set(int address, std::uint16_t value);
    // Makes the meter misbehave from now on ("silent", "bad-crc", ...; "none" ends it).
    bool SetFault(const std::string& fault);
    // Every frame received from the line so far, in order, as Hex shows it, followed by the
    // simulator's note in brackets when it did not answer the frame, e.g. " (other address)".
    std::vector<std::string> Received() const;
    // How many of the received frames have `function` as their function code.
    std::size_t ReceivedWithFunction(std::uint8_t function) const;

  private:
    std::filesystem::path log_;
    SimulatorProcess process_;
    bool ready_ = false;
};

}  // namespace tavr
