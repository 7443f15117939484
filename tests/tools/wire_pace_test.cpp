#include "meter_simulator/wire_pace.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavr::simulator {
namespace {

using Clock = WirePace::Clock;
using std::chrono::microseconds;

TEST(WirePaceTest, BytesGoOutAtTheWirePaceOfTheBaudRate) {
    // The pace starts when the first byte waits, at 0.
    struct Release {
        std::int64_t atUs;
        std::size_t released;
    };
    const struct {
        const char* line;
        int baud;
        std::size_t group;
        std::size_t waiting;
        std::vector<Release> releases;
    } cases[] = {
        {"9600 baud: a byte every 1042 µs",
         9600,
         1,
         3,
         {{0, 0}, {1000, 0}, {1042, 1}, {2000, 0}, {2084, 1}, {3200, 1}}},
        {"a late look catches up with the wire", 9600, 1, 8, {{5300, 5}, {8400, 3}}},
        {"groups of 16 once their last byte is in",
         9600,
         16,
         40,
         {{16600, 0}, {16667, 16}, {33334, 16}, {40000, 0}, {50001, 8}}},
        {"115200 baud", 115200, 1, 2, {{86, 0}, {87, 1}, {174, 1}}},
    };
    for (const auto& c : cases) {
        const Clock::time_point start{};
        WirePace pace(c.baud, c.group);
        pace.Waiting(start);
        std::size_t waiting = c.waiting;
        for (const Release& release : c.releases) {
            const std::size_t released = pace.Release(start + microseconds(release.atUs), waiting);
            EXPECT_EQ(released, release.released) << c.line << " at " << release.atUs << " µs";
            waiting -= released;
        }
        EXPECT_EQ(waiting, 0u) << c.line;
        EXPECT_FALSE(pace.NextDue().has_value()) << c.line << ": all sent, the stream ends";
    }
}

TEST(WirePaceTest, AStreamAfterAPauseStartsItsOwnPace) {
    const Clock::time_point start{};
    WirePace pace(9600, 1);
    pace.Waiting(start);
    ASSERT_EQ(pace.Release(start + microseconds(1100), 1), 1u);
    pace.Waiting(start + microseconds(500000));
    EXPECT_EQ(pace.Release(start + microseconds(500500), 1), 0u);
    EXPECT_EQ(pace.Release(start + microseconds(501042), 1), 1u);

    pace.Waiting(start + microseconds(600000));
    pace.Stop();
    EXPECT_FALSE(pace.NextDue().has_value()) << "the waiting bytes were dropped";
}

}  // namespace
}  // namespace tavr::simulator
