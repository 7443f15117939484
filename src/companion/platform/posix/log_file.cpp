#include "companion/platform/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tavr {

int OpenLogFile(const std::string& path) {
    // Non-blocking: a pipe put in the file's place since the check fails here instead of
    // waiting for a reader.
    return ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                  0666);
}

int StatPath(const std::string& path, struct stat& node) {
    return ::stat(path.c_str(), &node);
}

std::string ReadLogAt(int fd, std::int64_t offset, std::int64_t length) {
    std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(length, 0)), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t count =
            ::pread(fd, bytes.data() + got, bytes.size() - got, offset + static_cast<off_t>(got));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        got += static_cast<std::size_t>(count);
    }
    bytes.resize(got);
    return bytes;
}

std::string NodeKind(const struct stat& node) {
    if (S_ISDIR(node.st_mode)) {
        return "a folder";
    }
    if (S_ISCHR(node.st_mode)) {
        return "a character device";
    }
    if (S_ISBLK(node.st_mode)) {
        return "a block device";
    }
    if (S_ISFIFO(node.st_mode)) {
        return "a pipe (FIFO)";
    }
    if (S_ISSOCK(node.st_mode)) {
        return "a socket";
    }
    return "not a regular file";
}

}  // namespace tavr
