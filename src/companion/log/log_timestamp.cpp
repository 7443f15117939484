#include "companion/log/log_timestamp.h"

#include <cstdio>
#include <ctime>

#include "companion/platform/local_clock.h"

namespace tavr {

std::string LocalTimestamp(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto millis = duration_cast<milliseconds>(time.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(millis / 1000 - (millis % 1000 < 0));
    const LocalTime localTime = ToLocalTime(seconds);
    const std::tm& local = localTime.fields;
    const long offsetMinutes = localTime.offsetSeconds / 60;
    const int offset =
        static_cast<int>(offsetMinutes < 0 ? -offsetMinutes : offsetMinutes) % (24 * 60);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, static_cast<int>(((millis % 1000) + 1000) % 1000),
                  offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::optional<double> ParseTimestamp(std::string_view text) {
    const std::string copy(text);
    std::tm fields{};
    int consumed = 0;
    if (std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &fields.tm_year, &fields.tm_mon,
                    &fields.tm_mday, &fields.tm_hour, &fields.tm_min, &fields.tm_sec,
                    &consumed) != 6 ||
        consumed != 19) {
        return std::nullopt;
    }
    std::string_view rest = text.substr(static_cast<std::size_t>(consumed));
    double fraction = 0;
    if (!rest.empty() && rest[0] == '.') {
        double scale = 0.1;
        rest.remove_prefix(1);
        while (!rest.empty() && rest[0] >= '0' && rest[0] <= '9') {
            fraction += (rest[0] - '0') * scale;
            scale /= 10;
            rest.remove_prefix(1);
        }
    }
    long offsetSeconds = 0;
    if (rest == "Z") {
        offsetSeconds = 0;
    } else {
        int hours = 0;
        int minutes = 0;
        char sign = 0;
        if (rest.size() != 6 || (rest[0] != '+' && rest[0] != '-') ||
            std::sscanf(std::string(rest).c_str(), "%c%2d:%2d", &sign, &hours, &minutes) != 3) {
            return std::nullopt;
        }
        offsetSeconds = (sign == '-' ? -1 : 1) * (hours * 3600L + minutes * 60L);
    }
    fields.tm_year -= 1900;
    fields.tm_mon -= 1;
    const std::time_t utc = UtcSeconds(fields);
    return static_cast<double>(utc - offsetSeconds) + fraction;
}

}  // namespace tavr
