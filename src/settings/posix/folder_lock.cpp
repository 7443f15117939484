#include "settings/posix/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace tavr {

namespace {

// The first pause between two tries, doubled after each up to the longest one: a writer holds
// the lock for a few milliseconds, so most waits end at the first or second try.
constexpr std::chrono::milliseconds kFirstPause{1};
constexpr std::chrono::milliseconds kLongestPause{16};

// O_NOFOLLOW and O_NONBLOCK, and the check for a regular file, keep a link or a named pipe put
// in place of the lock file from redirecting the lock or blocking the open.
int OpenLockFile(const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / FolderLock::kLockFileName;
    const int descriptor =
        open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK, 0600);
    struct stat status {};
    if (descriptor >= 0 && (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

}  // namespace

FolderLock::FolderLock(const std::filesystem::path& folder, std::chrono::milliseconds longestWait)
    : descriptor_(OpenLockFile(folder)) {
    held_ = descriptor_ >= 0 && Acquire(longestWait);
}

FolderLock::~FolderLock() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

// flock() has no time limit of its own, so the lock is tried without waiting, with growing pauses
// in between, until the deadline.
bool FolderLock::Acquire(std::chrono::milliseconds longestWait) const {
    const auto deadline = std::chrono::steady_clock::now() + longestWait;
    std::chrono::milliseconds pause = kFirstPause;
    while (true) {
        if (flock(descriptor_, LOCK_EX | LOCK_NB) == 0) {
            return true;
        }
        if (errno == EINTR) {
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        if (errno != EWOULDBLOCK || now >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, kLongestPause);
    }
}

}  // namespace tavr
