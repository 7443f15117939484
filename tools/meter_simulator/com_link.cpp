#include "meter_simulator/com_link.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace tavr::simulator {

namespace {

std::filesystem::path ConfigFolder() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && *configHome != '\0') {
        return configHome;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : "/";
    }
    return std::filesystem::path(home) / ".config";
}

}  // namespace

std::filesystem::path ComLinkPath(int com) {
    return ConfigFolder() / "TAVR_12864" / "dosdevices" / ("com" + std::to_string(com));
}

bool ComLink::Create(const std::filesystem::path& link, const std::string& device,
                     std::string& error) {
    Remove();
    std::error_code failure;
    std::filesystem::create_directories(link.parent_path(), failure);
    const auto existing = std::filesystem::symlink_status(link, failure);
    if (std::filesystem::exists(existing) && !std::filesystem::is_symlink(existing)) {
        error = link.string() + " exists and is not a link";
        return false;
    }
    // A link made beside it and renamed over it replaces the old one in a single step.
    std::filesystem::path fresh = link;
    fresh += ".new" + std::to_string(getpid());
    std::filesystem::remove(fresh, failure);
    std::filesystem::create_symlink(device, fresh, failure);
    if (!failure) {
        std::filesystem::rename(fresh, link, failure);
    }
    if (failure) {
        std::error_code ignored;
        std::filesystem::remove(fresh, ignored);
        error = "cannot link " + link.string() + " to " + device + ": " + failure.message();
        return false;
    }
    link_ = link;
    device_ = device;
    return true;
}

void ComLink::Remove() {
    if (link_.empty()) {
        return;
    }
    std::error_code failure;
    if (std::filesystem::read_symlink(link_, failure) == device_ && !failure) {
        std::filesystem::remove(link_, failure);
    }
    link_.clear();
    device_.clear();
}

}  // namespace tavr::simulator
