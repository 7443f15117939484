#include "settings/posix/registry_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "settings/posix/private_ownership.h"
#include "settings/posix/registry_parse_memo.h"

namespace tavr {

namespace {

// The whole content of this user's own regular file of at most kMaximumRegistryFileSize bytes.
// The status is taken from the open file, so that it is the one read.
std::optional<Text> ReadOwnRegularFile(const std::filesystem::path& file, int descriptor) {
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
        !IsPrivatelyOwned(file, status)) {
        return std::nullopt;
    }
    Text contents;
    contents.reserve(std::min(static_cast<std::size_t>(status.st_size), kMaximumRegistryFileSize));
    char buffer[8192];
    while (true) {
        const ssize_t count = read(descriptor, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return std::nullopt;
        }
        if (count == 0) {
            return contents;
        }
        contents.append(buffer, static_cast<std::size_t>(count));
        if (contents.size() > kMaximumRegistryFileSize) {
            return std::nullopt;
        }
    }
}

}  // namespace

LoadedRegistryFile LoadRegistryFile(const std::filesystem::path& file) {
    static const auto empty = std::make_shared<const RegistryDocument>();
    const int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        return {errno == ENOENT ? RegistryFileState::Missing : RegistryFileState::Unusable, empty};
    }
    const std::optional<Text> contents = ReadOwnRegularFile(file, descriptor);
    close(descriptor);
    if (!contents) {
        return {RegistryFileState::Unusable, empty};
    }
    std::shared_ptr<const RegistryDocument> document = ParseRegistryTextOnce(*contents);
    if (!document) {
        return {RegistryFileState::Unusable, empty};
    }
    return {RegistryFileState::Loaded, std::move(document)};
}

}  // namespace tavr
