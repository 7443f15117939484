#include "serial/exclusive_tty.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace tavr {

ExclusiveTty::~ExclusiveTty() {
    Release();
}

ExclusiveTty& ExclusiveTty::operator=(ExclusiveTty&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::move(other.fd_);
    }
    return *this;
}

ExclusiveTty ExclusiveTty::Open(const std::filesystem::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid() || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        return {};
    }
    // Only after the lock is ours: the exclusive mode belongs to the lock holder, and giving it
    // up on release must never clear another holder's.
    if (::ioctl(fd.Get(), TIOCEXCL) != 0) {
        return {};
    }
    return ExclusiveTty(std::move(fd));
}

void ExclusiveTty::Release() {
    if (!fd_.Valid()) {
        return;
    }
    ::tcflush(fd_.Get(), TCIOFLUSH);
    ::ioctl(fd_.Get(), TIOCNXCL);
    fd_.Reset();
}

}  // namespace tavr
