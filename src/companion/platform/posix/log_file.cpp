#include "companion/platform/log_file.h"

#include <fcntl.h>
#include <unistd.h>

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

std::int64_t ReadLogChunk(int fd, std::int64_t offset, char* into, std::size_t size) {
    while (true) {
        const ssize_t count = ::pread(fd, into, size, static_cast<off_t>(offset));
        if (count >= 0 || errno != EINTR) {
            return count;
        }
    }
}

}  // namespace tavr
