#pragma once

#include <filesystem>

namespace tavr {

// A fresh temporary folder set as XDG_CONFIG_HOME (and HOME) for the rest of the process, so
// that a fuzz target never reads or writes the user's own settings. The folder and what the
// program wrote into it are removed when the object goes.
class PrivateConfigHome {
  public:
    PrivateConfigHome();
    ~PrivateConfigHome();
    PrivateConfigHome(const PrivateConfigHome&) = delete;
    PrivateConfigHome& operator=(const PrivateConfigHome&) = delete;

    // The program's per-user folder inside it, where "user.reg" is kept.
    std::filesystem::path ProgramFolder() const { return home_ / "TAVR_12864"; }

  private:
    std::filesystem::path home_;
};

}  // namespace tavr
