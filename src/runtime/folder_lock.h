#pragma once

#include <filesystem>

namespace tavr {

// Holds an exclusive advisory lock on a folder while it lives, so that programs changing a file
// in it one after the other each see the other's change (read, change, replace) instead of
// overwriting it. Waits while another holder has the lock.
class FolderLock {
  public:
    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool Held() const { return held_; }

  private:
    int descriptor_ = -1;
    bool held_ = false;
};

}  // namespace tavr
