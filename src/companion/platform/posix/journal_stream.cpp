#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>

#include "companion/platform/log_priority.h"

namespace tavr {

bool IsJournalStream(int fd, const char* journalStream) {
    if (journalStream == nullptr) {
        return false;
    }
    std::uintmax_t device = 0;
    std::uintmax_t inode = 0;
    char rest = 0;
    if (std::sscanf(journalStream, "%" SCNuMAX ":%" SCNuMAX "%c", &device, &inode, &rest) != 2) {
        return false;
    }
    struct stat status {};
    return fstat(fd, &status) == 0 && status.st_dev == device && status.st_ino == inode;
}

}  // namespace tavr
