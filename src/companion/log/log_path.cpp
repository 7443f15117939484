#include "companion/log/log_path.h"

#include <cerrno>
#include <cstring>

#include "companion/platform/log_file.h"

namespace tavr {

LogPathState LookAtLogPath(const std::string& path) {
    struct stat node {};
    if (StatPath(path, node) != 0) {
        if (errno == ENOENT) {
            return {LogPathState::Kind::Missing, ""};
        }
        return {LogPathState::Kind::Unseen, std::strerror(errno)};
    }
    if (!S_ISREG(node.st_mode)) {
        return {LogPathState::Kind::NotAFile, NodeKind(node)};
    }
    return {LogPathState::Kind::RegularFile, ""};
}

}  // namespace tavr
