#include <gmock/gmock.h>

#include <cstdlib>
#include <ctime>

#include "companion/connection_choice.h"
#include "companion/duration_text.h"
#include "companion/log_timestamp.h"
#include "companion/register_address.h"
#include "settings/config_home_test.h"
#include "settings/registry.h"

namespace tavr {
namespace {

using std::chrono::milliseconds;

// Sets TZ for the length of a test.
class LocalZone {
  public:
    explicit LocalZone(const char* zone) {
        if (const char* saved = std::getenv("TZ")) {
            saved_ = saved;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~LocalZone() {
        saved_ ? setenv("TZ", saved_->c_str(), 1) : unsetenv("TZ");
        tzset();
    }

  private:
    std::optional<std::string> saved_;
};

TEST(LogTimestamp, CarriesTheLocalOffsetAndReadsBackToTheSameMoment) {
    struct Case {
        const char* zone;
        std::int64_t millis;
        const char* text;
    };
    const Case cases[] = {
        {"UTC0", 1'796'683'200'250, "2026-12-07T22:40:00.250+00:00"},
        {"CST-8", 1'796'683'200'250, "2026-12-08T06:40:00.250+08:00"},
        {"NST3:30", 1'796'683'200'007, "2026-12-07T19:10:00.007-03:30"},
        {"UTC0", 0, "1970-01-01T00:00:00.000+00:00"},
    };
    for (const Case& c : cases) {
        const LocalZone zone(c.zone);
        const std::chrono::system_clock::time_point moment{milliseconds(c.millis)};
        EXPECT_EQ(LocalTimestamp(moment), c.text) << c.zone;
        const std::optional<double> back = ParseTimestamp(c.text);
        ASSERT_TRUE(back.has_value()) << c.text;
        EXPECT_NEAR(*back, static_cast<double>(c.millis) / 1000, 1e-6) << c.text;
    }
    EXPECT_EQ(ParseTimestamp("2026-12-07T22:40:00Z"), 1'796'683'200.0);
    for (const char* bad : {"", "2026-12-07", "2026-12-07 22:40:00Z", "2026-12-07T22:40:00+0100",
                            "2026-12-07T22:40:00.5", "yesterday"}) {
        EXPECT_FALSE(ParseTimestamp(bad).has_value()) << bad;
    }
}

TEST(OptionValues, DurationsSecondsAndRegisterAddresses) {
    const std::pair<const char*, std::optional<milliseconds>> durations[] = {
        {"90", milliseconds(90'000)},
        {"90s", milliseconds(90'000)},
        {"10m", milliseconds(600'000)},
        {"1.5h", milliseconds(5'400'000)},
        {"1d", milliseconds(86'400'000)},
        {"0.2s", milliseconds(200)},
        {"0", std::nullopt},
        {"-5m", std::nullopt},
        {"m", std::nullopt},
        {"1e3", std::nullopt},
        {"5 m", std::nullopt},
        {"1..2", std::nullopt},
    };
    for (const auto& [text, expected] : durations) {
        EXPECT_EQ(ParseDuration(text), expected) << text;
    }
    const std::pair<const char*, std::optional<milliseconds>> periods[] = {
        {"1", milliseconds(1000)}, {"0.25", milliseconds(250)}, {"0.0001", std::nullopt},
        {"86401", std::nullopt},   {"1s", std::nullopt},        {"", std::nullopt},
    };
    for (const auto& [text, expected] : periods) {
        EXPECT_EQ(ParseSeconds(text), expected) << text;
    }
    const std::pair<const char*, std::optional<std::uint16_t>> addresses[] = {
        {"0003H", 3},
        {"3h", 3},
        {"0x22", 0x22},
        {"22H", 0x22},
        {"34", 34},
        {"35", std::nullopt},
        {"0023H", std::nullopt},
        {"H", std::nullopt},
        {"0x", std::nullopt},
        {"-1", std::nullopt},
        {"1A", std::nullopt},
    };
    for (const auto& [text, expected] : addresses) {
        EXPECT_EQ(ParseRegisterAddress(text), expected) << text;
    }
    EXPECT_EQ(ParseRegisterList("4,0003H,4"), (std::vector<std::uint16_t>{4, 3}));
}

class RememberedConnectionTest : public ConfigHomeTest {};

// The window stores selection indexes; they map to the selectors' entries, clamped as the
// selectors clamp them.
TEST_F(RememberedConnectionTest, MapsTheWindowsStoredIndexesToPortBaudAndId) {
    struct Case {
        const char* port;
        const char* baud;
        const char* id;
        std::int32_t expectedPort;
        std::int32_t expectedBaud;
        int expectedId;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, 1, 2400, 1}, {"5", "2", "0", 6, 9600, 1},
        {"19", "6", "49", 20, 115200, 50},       {"99", "9", "70", 20, 115200, 50},
        {"-3", "abc", "", 1, 2400, 1},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(UserFile());
        const std::pair<const char*, const char*> stored[] = {
            {"Modbus_com", c.port}, {"Modbus_btl", c.baud}, {"Modbus_id", c.id}};
        for (const auto& [name, value] : stored) {
            if (value != nullptr) {
                ASSERT_TRUE(WriteRegistry(RegistryRoot::CurrentUser,
                                          std::string("Software\\TAVR_12864\\") + name,
                                          Text(value)));
            }
        }
        const ConnectionChoice choice = RememberedConnection();
        EXPECT_EQ(choice.port, c.expectedPort);
        EXPECT_EQ(choice.baud, c.expectedBaud);
        EXPECT_EQ(choice.deviceId, c.expectedId);
    }
}

}  // namespace
}  // namespace tavr
