#include "companion/platform/log_file.h"

#include <algorithm>

namespace tavr {

std::string ReadLogAt(int fd, std::int64_t offset, std::int64_t length) {
    std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(length, 0)), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const std::int64_t count = ReadLogChunk(fd, offset + static_cast<std::int64_t>(got),
                                                bytes.data() + got, bytes.size() - got);
        if (count <= 0) {
            break;
        }
        got += static_cast<std::size_t>(count);
    }
    bytes.resize(got);
    return bytes;
}

}  // namespace tavr
