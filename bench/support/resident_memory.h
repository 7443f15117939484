#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavr {

// The resident set of this process now (VmRSS of /proc/self/status), in kilobytes; nothing when
// it cannot be read.
std::optional<std::int64_t> ResidentKilobytes();

// The kilobytes of the field `name` ("VmRSS", "VmHWM", ...) in the text of a /proc status file;
// nothing when the field is missing or not in kB.
std::optional<std::int64_t> StatusKilobytes(std::string_view statusText, std::string_view name);

}  // namespace tavr
