#include "companion/publish/stable_port_name.h"

#include <system_error>

namespace tavr {

namespace fs = std::filesystem;

std::string StablePortName(const std::string& port, const fs::path& byIdFolder) {
    const fs::path given(port);
    if (!given.is_absolute() || given.parent_path() == byIdFolder) {
        return port;
    }
    std::error_code error;
    const fs::path device = fs::canonical(given, error);
    if (error) {
        return port;
    }
    for (const fs::directory_entry& link : fs::directory_iterator(byIdFolder, error)) {
        std::error_code unresolved;
        if (fs::canonical(link.path(), unresolved) == device && !unresolved) {
            return link.path().string();
        }
    }
    return port;
}

}  // namespace tavr
