#pragma once

#include <filesystem>
#include <optional>

#include "serial/posix/kernel_terminal_settings.h"
#include "serial/posix/unique_fd.h"
#include "serial/serial_open_result.h"

namespace tavr {

// A terminal device held exclusively: opened read/write, non-blocking, close-on-exec and
// without becoming the controlling terminal, with an exclusive lock on the device (which
// refuses every other locking opener, root included) and the terminal's exclusive mode (which
// refuses any other plain open but root's). Only a character device is opened: opening some
// other files has effects of its own. The terminal's settings are put back as they were found
// when it is released.
class ExclusiveTty {
  public:
    ExclusiveTty() = default;
    ~ExclusiveTty();
    ExclusiveTty(ExclusiveTty&&) noexcept = default;
    ExclusiveTty& operator=(ExclusiveTty&& other) noexcept;

    // An invalid object when the path is missing, not a terminal, or in use; `outcome` then
    // says why.
    static ExclusiveTty Open(const std::filesystem::path& path, SerialOpenResult& outcome);

    bool Valid() const { return fd_.Valid(); }
    int Fd() const { return fd_.Get(); }

    // Discards pending input and output (so closing never waits for a stalled transmitter), puts
    // the settings back, gives up the exclusive mode and closes the device.
    void Release();

  private:
    ExclusiveTty(UniqueFd fd, const TerminalSnapshot& found) : fd_(std::move(fd)), found_(found) {}

    UniqueFd fd_;
    std::optional<TerminalSnapshot> found_;
};

}  // namespace tavr
