#pragma once

#include <chrono>
#include <filesystem>
#include <string_view>

namespace tavr {

// Holds an exclusive advisory lock on a folder while it lives, so that programs changing a file
// in it one after the other each see the other's change (read, change, replace) instead of
// overwriting it. The lock is taken on a lock file of mode 0600 inside the folder, never on the
// folder itself: anyone who may read a folder may lock it, and could then keep a writer waiting
// for as long as they like. Waits at most `longestWait` for another holder to let go; when the
// lock cannot be had by then (or the lock file cannot be opened), Held() is false.
class FolderLock {
  public:
    static constexpr std::string_view kLockFileName = ".registry.lock";

    FolderLock(const std::filesystem::path& folder, std::chrono::milliseconds longestWait);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool Held() const { return held_; }

  private:
    bool Acquire(std::chrono::milliseconds longestWait) const;

    int descriptor_ = -1;
    bool held_ = false;
};

}  // namespace tavr
