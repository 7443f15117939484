#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavr::simulator {

// A misbehaviour of the meter, applied to every request addressed to it until changed.
//   none         answers normally
//   silent       does not hear requests: nothing is carried out, nothing is answered
//   short [N]    sends only the first N bytes of each answer (without N: all but the last)
//   bad-crc      sends each answer with a wrong checksum
//   delay [MS]   sends each answer MS milliseconds late (default 1000)
//   garbage [N]  sends N pseudo-random bytes instead of each answer (default 75)
//   hangup [MS]  hangs up the line instead of answering, and offers a new line MS ms later
//                (default 200)
// Apart from silent, requests are carried out as usual; only the answer suffers.
enum class FaultKind { None, Silent, Short, BadCrc, Delay, Garbage, HangUp };

struct Fault {
    FaultKind kind = FaultKind::None;
    std::int64_t argument = 0;  // bytes or milliseconds; for short, 0 stands for "all but last"

    bool operator==(const Fault&) const = default;
};

// Reads "KIND", "KIND ARG" or "KIND=ARG"; nullopt for an unknown kind or a bad argument.
std::optional<Fault> ParseFault(std::string_view text);

// The fault in the words ParseFault reads, e.g. "delay 500".
std::string DescribeFault(const Fault& fault);

}  // namespace tavr::simulator
