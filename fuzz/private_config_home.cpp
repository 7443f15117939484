#include "private_config_home.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

namespace tavr {

PrivateConfigHome::PrivateConfigHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavr-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("no temporary config folder");
        std::abort();
    }
    home_ = pattern;
    setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
    setenv("HOME", (home_ / "home").c_str(), 1);
}

PrivateConfigHome::~PrivateConfigHome() {
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
}

}  // namespace tavr
