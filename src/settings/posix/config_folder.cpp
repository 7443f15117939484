#include "settings/posix/config_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace tavr {

namespace {

std::optional<std::filesystem::path> AbsoluteFolderFromEnvironment(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || value[0] != '/') {
        return std::nullopt;
    }
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> HomeFolder() {
    if (auto home = AbsoluteFolderFromEnvironment("HOME")) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') {
        return std::nullopt;
    }
    return std::filesystem::path(found->pw_dir);
}

bool IsDirectory(const std::filesystem::path& folder) {
    struct stat status {};
    return stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::optional<std::filesystem::path> ProgramConfigFolder() {
    std::optional<std::filesystem::path> configHome =
        AbsoluteFolderFromEnvironment("XDG_CONFIG_HOME");
    if (!configHome) {
        const std::optional<std::filesystem::path> home = HomeFolder();
        if (!home) {
            return std::nullopt;
        }
        configHome = *home / ".config";
    }
    return *configHome / "TAVR_12864";
}

bool CreatePrivateFolders(const std::filesystem::path& folder) {
    std::filesystem::path prefix;
    for (const std::filesystem::path& part : folder) {
        prefix /= part;
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return IsDirectory(folder);
}

}  // namespace tavr
