#include "runtime/date_time_text.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

namespace tavr {

namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;
// Day numbers of 0100-01-01 and 9999-12-31, the range a date-time can hold.
constexpr std::int64_t kFirstDay = -657'434;
constexpr std::int64_t kLastDay = 2'958'465;
// Day number of 1970-01-01, where the civil calendar arithmetic below counts from.
constexpr std::int64_t kCivilEpochDay = 25'569;

struct CivilDateTime {
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    std::int64_t hour = 0;
    std::int64_t minute = 0;
    std::int64_t second = 0;
};

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// Proleptic Gregorian date of a count of days since 1970-01-01 (eras of 400 years, with years
// starting on March 1 so that the leap day comes last).
CivilDate CivilFromDays(std::int64_t days) {
    days += 719'468;
    const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const auto day_of_era = static_cast<unsigned>(days - era * 146'097);
    const unsigned year_of_era =
        (day_of_era - day_of_era / 1'460 + day_of_era / 36'524 - day_of_era / 146'096) / 365;
    const unsigned day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const unsigned shifted_month = (5 * day_of_year + 2) / 153;
    const unsigned day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
    const unsigned month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
    const std::int64_t year =
        static_cast<std::int64_t>(year_of_era) + era * 400 + (month <= 2 ? 1 : 0);
    return CivilDate{year, month, day};
}

std::optional<CivilDateTime> SplitDateTime(double days) {
    // Checked before any conversion to an integer; the exact range is checked after rounding.
    if (!(days > static_cast<double>(kFirstDay - 1) && days < static_cast<double>(kLastDay + 1))) {
        return std::nullopt;
    }
    const double whole_days = std::trunc(days);
    auto day_number = static_cast<std::int64_t>(whole_days);
    std::int64_t seconds =
        std::llround(std::fabs(days - whole_days) * static_cast<double>(kSecondsPerDay));
    if (seconds == kSecondsPerDay) {
        ++day_number;
        seconds = 0;
    }
    if (day_number < kFirstDay || day_number > kLastDay) {
        return std::nullopt;
    }
    const CivilDate date = CivilFromDays(day_number - kCivilEpochDay);
    return CivilDateTime{date.year,      date.month,        date.day,
                         seconds / 3600, seconds / 60 % 60, seconds % 60};
}

}  // namespace

Text DateTimeToText(DateTime date_time) {
    const std::optional<CivilDateTime> parts = SplitDateTime(date_time.days);
    if (!parts) {
        return Text{};
    }
    Text text = std::to_string(parts->year) + "年" + std::to_string(parts->month) + "月" +
                std::to_string(parts->day) + "日";
    if (parts->second != 0) {
        text += std::to_string(parts->hour) + "时" + std::to_string(parts->minute) + "分" +
                std::to_string(parts->second) + "秒";
    } else if (parts->minute != 0) {
        text += std::to_string(parts->hour) + "时" + std::to_string(parts->minute) + "分";
    } else if (parts->hour != 0) {
        text += std::to_string(parts->hour) + "时";
    }
    return text;
}

}  // namespace tavr
