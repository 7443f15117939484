#include "companion/cli/device_id_list.h"

#include <algorithm>

#include "runtime/whole_number.h"

namespace tavr {

namespace {

std::optional<int> ParseId(std::string_view text) {
    const auto id = ParseWholeNumber(text, kLowestDeviceId, kHighestDeviceId);
    return id ? std::optional(static_cast<int>(*id)) : std::nullopt;
}

std::string IdRangeText() {
    return "a device ID from " + std::to_string(kLowestDeviceId) + " to " +
           std::to_string(kHighestDeviceId);
}

// Adds the IDs of one entry ("5" or "2-4") to `ids`; false, with `error` set, for a bad entry.
bool AddEntry(std::string_view entry, std::vector<std::uint8_t>& ids, std::string& error) {
    const std::size_t dash = entry.find('-');
    const std::optional<int> first = ParseId(entry.substr(0, dash));
    const std::optional<int> last =
        dash == std::string_view::npos ? first : ParseId(entry.substr(dash + 1));
    if (!first || !last) {
        error = (entry.empty() ? "an empty entry" : std::string(entry)) + " is not " +
                IdRangeText() + " or a range such as 1-4";
        return false;
    }
    if (*last < *first) {
        error = "the range " + std::string(entry) + " runs backwards; write it " +
                std::to_string(*last) + "-" + std::to_string(*first);
        return false;
    }
    for (int id = *first; id <= *last; ++id) {
        const auto deviceId = static_cast<std::uint8_t>(id);
        if (std::find(ids.begin(), ids.end(), deviceId) == ids.end()) {
            ids.push_back(deviceId);
        }
    }
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ParseDeviceIdList(std::string_view text,
                                                           std::string& error) {
    std::vector<std::uint8_t> ids;
    while (true) {
        const std::size_t comma = text.find(',');
        if (!AddEntry(text.substr(0, comma), ids, error)) {
            return std::nullopt;
        }
        if (comma == std::string_view::npos) {
            return ids;
        }
        text.remove_prefix(comma + 1);
    }
}

}  // namespace tavr
