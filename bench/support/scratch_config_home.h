#pragma once

#include <filesystem>

namespace tavr {

// Points this process's XDG_CONFIG_HOME at a fresh temporary folder for as long as it lives, so
// a benchmark never reads or writes the user's settings or COM links. Removes the folder after.
class ScratchConfigHome {
  public:
    ScratchConfigHome();
    ~ScratchConfigHome();
    ScratchConfigHome(const ScratchConfigHome&) = delete;
    ScratchConfigHome& operator=(const ScratchConfigHome&) = delete;

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace tavr
