#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace tavr {

// A terminal's settings through the kernel's termios2, which carries the baud rate as a number:
// the C library's termios knows only the rates of its table (no 14400). Its definitions cannot be
// combined with <termios.h>, so this header exposes none of them.

// Sets the input and output speed to exactly `baudRate` bits per second, leaving every other
// setting as it is. False when the driver refuses the request.
bool SetExactBaudRate(int fd, std::uint32_t baudRate);

// The output speed the driver runs at, in bits per second (a UART driver reports the rate its
// clock really gives). Nothing when the descriptor is no terminal.
std::optional<std::uint32_t> ReadBaudRate(int fd);

// Every setting of a terminal, the exact rate included, taken to be put back later: a program
// that borrows a line leaves it as it found it.
class TerminalSnapshot {
  public:
    // Nothing when the descriptor is no terminal.
    static std::optional<TerminalSnapshot> Take(int fd);
    bool Restore(int fd) const;

  private:
    TerminalSnapshot() = default;

    // The kernel's termios2, kept as bytes so that its definitions stay in one file.
    alignas(std::uint32_t) std::array<unsigned char, 64> settings_{};
};

}  // namespace tavr
