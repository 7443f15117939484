#pragma once

#include <optional>
#include <string>

namespace tavr {

// The environment variable that may hold the broker password instead of a file.
inline constexpr const char* kPasswordVariable = "TAVR_MQTT_PASSWORD";

// The password in the file at `path`: its first line. The file must be a regular file of this
// user that no one else may read or write (mode 0600 or stricter), like the settings. Nothing,
// with `error` set (without the password), otherwise.
std::optional<std::string> ReadPasswordFile(const std::string& path, std::string& error);

// The password in kPasswordVariable; nothing when it is not set.
std::optional<std::string> PasswordFromEnvironment();

}  // namespace tavr
