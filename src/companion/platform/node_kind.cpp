#include "companion/platform/log_file.h"

namespace tavr {

// The kinds of node both systems know, and those of Linux where the system defines them.
std::string NodeKind(const struct stat& node) {
    if (S_ISDIR(node.st_mode)) {
        return "a folder";
    }
    if (S_ISCHR(node.st_mode)) {
        return "a character device";
    }
    if (S_ISFIFO(node.st_mode)) {
        return "a pipe (FIFO)";
    }
#ifdef S_ISBLK
    if (S_ISBLK(node.st_mode)) {
        return "a block device";
    }
#endif
#ifdef S_ISSOCK
    if (S_ISSOCK(node.st_mode)) {
        return "a socket";
    }
#endif
    return "not a regular file";
}

}  // namespace tavr
