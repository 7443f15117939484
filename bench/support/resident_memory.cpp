#include "support/resident_memory.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <string>

namespace tavr {

std::optional<std::int64_t> ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    const std::string text{std::istreambuf_iterator<char>(status),
                           std::istreambuf_iterator<char>()};
    return StatusKilobytes(text, "VmRSS");
}

std::optional<std::int64_t> StatusKilobytes(std::string_view statusText, std::string_view name) {
    // Each field is a line "Name:<blanks>value kB".
    for (std::size_t start = 0; start < statusText.size();) {
        std::size_t end = statusText.find('\n', start);
        if (end == std::string_view::npos) {
            end = statusText.size();
        }
        std::string_view line = statusText.substr(start, end - start);
        start = end + 1;
        if (!line.starts_with(name) || line.substr(name.size(), 1) != ":") {
            continue;
        }
        line.remove_prefix(name.size() + 1);
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        std::int64_t value = 0;
        const auto [rest, error] = std::from_chars(line.data(), line.data() + line.size(), value);
        if (error != std::errc() || std::string_view(rest, line.data() + line.size()) != " kB") {
            return std::nullopt;
        }
        return value;
    }
    return std::nullopt;
}

}  // namespace tavr
