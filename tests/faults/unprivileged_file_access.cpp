#include "unprivileged_file_access.h"

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavr {

namespace {

constexpr uid_t kNobody = 65534;

}  // namespace

UnprivilegedFileAccess::UnprivilegedFileAccess(const std::filesystem::path& home,
                                               const std::filesystem::path& lineDevice)
    : home_(home), lineDevice_(lineDevice) {
    if (geteuid() != 0) {
        return;
    }
    struct stat line {};
    if (stat(lineDevice_.c_str(), &line) == 0) {
        lineMode_ = line.st_mode & 07777;
        chmod(lineDevice_.c_str(), 0666);
    }
    HandOver(home_, kNobody, kNobody);
    setfsgid(kNobody);
    setfsuid(kNobody);
    switched_ = true;
}

UnprivilegedFileAccess::~UnprivilegedFileAccess() {
    if (!switched_) {
        return;
    }
    setfsuid(0);
    setfsgid(0);
    HandOver(home_, 0, 0);
    if (lineMode_ != 0) {
        chmod(lineDevice_.c_str(), lineMode_);
    }
}

void UnprivilegedFileAccess::HandOver(const std::filesystem::path& home, uid_t user, gid_t group) {
    lchown(home.c_str(), user, group);
    std::error_code ignored;
    for (auto entry = std::filesystem::recursive_directory_iterator(home, ignored);
         entry != std::filesystem::recursive_directory_iterator(); entry.increment(ignored)) {
        lchown(entry->path().c_str(), user, group);
    }
}

}  // namespace tavr
