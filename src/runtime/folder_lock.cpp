#include "runtime/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace tavr {

FolderLock::FolderLock(const std::filesystem::path& folder)
    : descriptor_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (descriptor_ < 0) {
        return;
    }
    int result = 0;
    do {
        result = flock(descriptor_, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    held_ = result == 0;
}

FolderLock::~FolderLock() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

}  // namespace tavr
