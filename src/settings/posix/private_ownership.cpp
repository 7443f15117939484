#include "settings/posix/private_ownership.h"

#include <sys/fsuid.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace tavr {

namespace {

// The user the kernel checks this thread's file accesses against, and makes the owner of the
// files it creates. It is the effective user unless the thread changed it; setfsuid() with an
// id that cannot be set changes nothing and returns the current one.
uid_t FileSystemUser() {
    return static_cast<uid_t>(setfsuid(static_cast<uid_t>(-1)));
}

// Start-up reads three settings and a connect writes three, each finding the same fault; the
// reason is said once until another one comes up.
void Report(const std::string& line) {
    static std::mutex mutex;
    static std::string lastLine;
    const std::lock_guard lock(mutex);
    if (line != lastLine) {
        std::fprintf(stderr, "%s\n", line.c_str());
        lastLine = line;
    }
}

}  // namespace

bool IsPrivatelyOwned(const std::filesystem::path& path, const struct stat& status) {
    const std::string prefix = "TAVR_12864: settings at " + path.string() + " not used: ";
    const uid_t user = FileSystemUser();
    if (status.st_uid != user) {
        Report(prefix + "owned by user " + std::to_string(status.st_uid) + ", not by user " +
               std::to_string(user));
        return false;
    }
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
        Report(prefix + "group or others may write to it (mode " + mode + ")");
        return false;
    }
    return true;
}

bool IsPrivateFolder(const std::filesystem::path& folder) {
    struct stat status {};
    return stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           IsPrivatelyOwned(folder, status);
}

}  // namespace tavr
