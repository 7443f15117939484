#pragma once

#include <sys/types.h>

#include <filesystem>

namespace tavr {

// Makes the file accesses of the calling thread those of an unprivileged user while it lives, so
// that file and folder permissions hold even when the tests run as root. As root, everything
// under `home` is handed to user and group 65534, `lineDevice` is opened to everyone, and the
// thread's file-system user and group become 65534: setfsuid() changes only the calling thread
// (the window thread, which runs every handler and so every settings access) and drops root's
// permission overrides from its file accesses. Run as another user, nothing changes, since that
// user's own permissions already hold. Everything is put back when it goes.
class UnprivilegedFileAccess {
  public:
    UnprivilegedFileAccess(const std::filesystem::path& home,
                           const std::filesystem::path& lineDevice);
    ~UnprivilegedFileAccess();
    UnprivilegedFileAccess(const UnprivilegedFileAccess&) = delete;
    UnprivilegedFileAccess& operator=(const UnprivilegedFileAccess&) = delete;

  private:
    static void HandOver(const std::filesystem::path& home, uid_t user, gid_t group);

    bool switched_ = false;
    std::filesystem::path home_;
    std::filesystem::path lineDevice_;
    mode_t lineMode_ = 0;
};

}  // namespace tavr
