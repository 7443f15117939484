#include "serial/posix/exclusive_tty.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace tavr {
namespace {

// What the user can do about a device they may not open: join the group that may, when the
// group has read and write access (dialout, uucp, ...).
std::string PermissionRemedy(const struct stat& device) {
    constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
    if (device.st_gid == 0 || (device.st_mode & kGroupReadWrite) != kGroupReadWrite) {
        return {};
    }
    group entry{};
    group* found = nullptr;
    std::vector<char> buffer(4096);
    if (::getgrgid_r(device.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        return {};
    }
    return std::string("add your user to the ") + found->gr_name + " group";
}

// Sorts a failed stat or open into the reasons a user can act on.
void NoteSystemError(int error, const struct stat* device, SerialOpenResult& outcome) {
    switch (error) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
            outcome.error = SerialOpenError::NoDevice;
            break;
        case EACCES:
        case EPERM:
            outcome.error = SerialOpenError::PermissionDenied;
            if (device != nullptr) {
                outcome.detail = PermissionRemedy(*device);
            }
            break;
        case EBUSY:
        case EWOULDBLOCK:
            outcome.error = SerialOpenError::InUse;
            break;
        case ENOTTY:
            outcome.error = SerialOpenError::NotATerminal;
            break;
        default:
            outcome.error = SerialOpenError::SystemError;
            outcome.detail = std::strerror(error);
            break;
    }
}

bool SameCharacterDevice(const struct stat& before, const struct stat& after) {
    return S_ISCHR(after.st_mode) && after.st_rdev == before.st_rdev;
}

}  // namespace

ExclusiveTty::~ExclusiveTty() {
    Release();
}

ExclusiveTty& ExclusiveTty::operator=(ExclusiveTty&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::move(other.fd_);
        found_ = std::move(other.found_);
    }
    return *this;
}

ExclusiveTty ExclusiveTty::Open(const std::filesystem::path& path, SerialOpenResult& outcome) {
    struct stat device {};
    if (::stat(path.c_str(), &device) != 0) {
        NoteSystemError(errno, nullptr, outcome);
        return {};
    }
    if (!S_ISCHR(device.st_mode)) {
        outcome.error = SerialOpenError::NotACharacterDevice;
        return {};
    }
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        NoteSystemError(errno, &device, outcome);
        return {};
    }
    // The link may have been pointed elsewhere between the check and the open.
    struct stat opened {};
    if (::fstat(fd.Get(), &opened) != 0 || !SameCharacterDevice(device, opened)) {
        outcome.error = SerialOpenError::NotACharacterDevice;
        return {};
    }
    const std::optional<TerminalSnapshot> found = TerminalSnapshot::Take(fd.Get());
    if (!found) {
        outcome.error = SerialOpenError::NotATerminal;
        return {};
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        NoteSystemError(errno, &device, outcome);
        return {};
    }
    // Only after the lock is ours: the exclusive mode belongs to the lock holder, and giving it
    // up on release must never clear another holder's.
    if (::ioctl(fd.Get(), TIOCEXCL) != 0) {
        NoteSystemError(errno, &device, outcome);
        return {};
    }
    return ExclusiveTty(std::move(fd), *found);
}

void ExclusiveTty::Release() {
    if (!fd_.Valid()) {
        return;
    }
    ::tcflush(fd_.Get(), TCIOFLUSH);
    if (found_) {
        found_->Restore(fd_.Get());
    }
    ::ioctl(fd_.Get(), TIOCNXCL);
    fd_.Reset();
    found_.reset();
}

}  // namespace tavr
