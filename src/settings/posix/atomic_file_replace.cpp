#include "settings/posix/atomic_file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string>

namespace tavr {

namespace {

// mkostemp() replaces these six characters with letters and digits.
constexpr std::string_view kUniqueSuffix = "XXXXXX";

std::string TemporaryFilePrefix(const std::filesystem::path& file) {
    return "." + file.filename().string() + ".";
}

bool IsTemporaryFileName(std::string_view name, std::string_view prefix) {
    if (name.size() != prefix.size() + kUniqueSuffix.size() || !name.starts_with(prefix)) {
        return false;
    }
    name.remove_prefix(prefix.size());
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

bool WriteAll(int descriptor, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t written = write(descriptor, contents.data(), contents.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Writes, flushes and closes the temporary file; the mode is set explicitly so that the
// process's umask cannot change it.
bool FillTemporaryFile(int descriptor, std::string_view contents) {
    const bool filled =
        fchmod(descriptor, 0600) == 0 && WriteAll(descriptor, contents) && fsync(descriptor) == 0;
    const bool closed = close(descriptor) == 0;
    return filled && closed;
}

void FlushFolder(const std::filesystem::path& folder) {
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
}

}  // namespace

bool ReplaceFileAtomically(const std::filesystem::path& file, std::string_view contents) {
    const std::filesystem::path folder = file.parent_path();
    std::string temporary =
        (folder / (TemporaryFilePrefix(file) + std::string(kUniqueSuffix))).string();
    const int descriptor = mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    if (!FillTemporaryFile(descriptor, contents) || rename(temporary.c_str(), file.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    // The new contents are in place once the rename is done; flushing the folder only makes
    // the rename itself survive a power loss, so its failure does not undo the replacement.
    FlushFolder(folder);
    return true;
}

void RemoveLeftoverTemporaryFiles(const std::filesystem::path& file) {
    const std::string prefix = TemporaryFilePrefix(file);
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), ignored)) {
        if (IsTemporaryFileName(entry.path().filename().string(), prefix) &&
            entry.symlink_status(ignored).type() == std::filesystem::file_type::regular) {
            std::filesystem::remove(entry.path(), ignored);
        }
    }
}

}  // namespace tavr
