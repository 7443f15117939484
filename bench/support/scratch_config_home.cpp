#include "support/scratch_config_home.h"

#include <stdlib.h>

#include <stdexcept>
#include <string>
#include <system_error>

namespace tavr {

ScratchConfigHome::ScratchConfigHome() {
    std::string folder = (std::filesystem::temp_directory_path() / "tavr-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder in " +
                                 std::filesystem::temp_directory_path().string());
    }
    path_ = folder;
    ::setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
}

ScratchConfigHome::~ScratchConfigHome() {
    ::unsetenv("XDG_CONFIG_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace tavr
