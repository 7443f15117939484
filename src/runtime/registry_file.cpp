#include "runtime/registry_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "runtime/registry_text_format.h"

namespace tavr {

namespace {

constexpr std::size_t MaximumFileSize = 4 * 1024 * 1024;

// The whole content of a regular file of at most MaximumFileSize bytes.
std::optional<Text> ReadRegularFile(int descriptor) {
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    Text contents;
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
        if (contents.size() > MaximumFileSize) {
            return std::nullopt;
        }
    }
}

}  // namespace

LoadedRegistryFile LoadRegistryFile(const std::filesystem::path& file) {
    const int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        return {errno == ENOENT ? RegistryFileState::Missing : RegistryFileState::Unusable, {}};
    }
    const std::optional<Text> contents = ReadRegularFile(descriptor);
    close(descriptor);
    if (!contents) {
        return {RegistryFileState::Unusable, {}};
    }
    std::optional<RegistryDocument> document = ParseRegistryText(*contents);
    if (!document) {
        return {RegistryFileState::Unusable, {}};
    }
    return {RegistryFileState::Loaded, std::move(*document)};
}

}  // namespace tavr
