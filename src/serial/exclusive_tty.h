#pragma once

#include <filesystem>

#include "serial/unique_fd.h"

namespace tavr {

// A terminal device held exclusively: opened read/write, non-blocking, close-on-exec and
// without becoming the controlling terminal, with an exclusive lock on the device (which
// refuses every other locking opener, root included) and the terminal's exclusive mode (which
// refuses any other plain open but root's).
class ExclusiveTty {
  public:
    ExclusiveTty() = default;
    ~ExclusiveTty();
    ExclusiveTty(ExclusiveTty&&) noexcept = default;
    ExclusiveTty& operator=(ExclusiveTty&& other) noexcept;

    // An invalid object when the path is missing, not a terminal, or in use.
    static ExclusiveTty Open(const std::filesystem::path& path);

    bool Valid() const { return fd_.Valid(); }
    int Fd() const { return fd_.Get(); }

    // Discards pending input and output (so closing never waits for a stalled transmitter),
    // gives up the exclusive mode and closes the device.
    void Release();

  private:
    explicit ExclusiveTty(UniqueFd fd) : fd_(std::move(fd)) {}

    UniqueFd fd_;
};

}  // namespace tavr
