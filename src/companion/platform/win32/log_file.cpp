#include "companion/platform/log_file.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "runtime/win32/wide_text.h"

namespace tavr {

int OpenLogFile(const std::string& path) {
    const std::optional<std::wstring> widePath = WideFromUtf8(path);
    if (!widePath) {
        errno = EINVAL;
        return -1;
    }
    // Binary: rows end in "\n" as on Linux, and sizes and offsets count the bytes in the file.
    return ::_wopen(widePath->c_str(), _O_RDWR | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
}

int StatPath(const std::string& path, struct stat& node) {
    const std::optional<std::wstring> widePath = WideFromUtf8(path);
    if (!widePath) {
        errno = EINVAL;
        return -1;
    }
    // With 64-bit file offsets, struct stat is the _stat64 that _wstat64 fills.
    return ::_wstat64(widePath->c_str(), &node);
}

std::int64_t ReadLogChunk(int fd, std::int64_t offset, char* into, std::size_t size) {
    // Appending writes go to the end whatever the position, so moving it for reading is safe.
    if (::_lseeki64(fd, offset, SEEK_SET) < 0) {
        return -1;
    }
    return ::_read(fd, into, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

}  // namespace tavr
