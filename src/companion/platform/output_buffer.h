#pragma once

#include <array>
#include <streambuf>
#include <string>

#include "companion/platform/interrupt_handle.h"

namespace tavr {

// A stream buffer that writes to a file descriptor (standard output) and remembers why the
// first write that failed did, so that a full disk or a closed pipe is reported with the
// system's reason instead of being lost in a stream's state bits.
class OutputBuffer : public std::streambuf {
  public:
    // `presetError`: an errno that every write fails with (standard output was closed at start).
    // `interrupt`: signalled when a write that cannot go on (a reader that stopped reading)
    // should be given up.
    explicit OutputBuffer(int fd, int presetError = 0, InterruptHandle interrupt = kNoInterrupt);
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // Writes what is buffered and closes the descriptor; false when anything written through
    // this buffer did not reach it.
    bool Close();

    // The errno of the first failed write; 0 when none failed.
    int Error() const { return error_; }
    // The system's words for it: "No space left on device".
    std::string Reason() const;

  protected:
    int_type overflow(int_type c) override;
    int sync() override;

  private:
    bool WriteBuffered();

    int fd_;
    InterruptHandle interrupt_;
    int error_;
    std::array<char, 8192> buffer_{};
};

}  // namespace tavr
