#include "settings/environment_expansion.h"

#include <cstdlib>

namespace tavr {

Text ExpandEnvironmentReferences(std::string_view text) {
    Text expanded;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t open = text.find('%', position);
        const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            break;
        }
        expanded += text.substr(position, open - position);
        const Text name(text.substr(open + 1, close - open - 1));
        const char* variable = name.empty() ? nullptr : std::getenv(name.c_str());
        if (variable != nullptr) {
            expanded += variable;
        } else {
            expanded += text.substr(open, close - open + 1);
        }
        position = close + 1;
    }
    expanded += text.substr(position);
    return expanded;
}

}  // namespace tavr
