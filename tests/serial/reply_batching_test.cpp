#include "serial/reply_batching.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

#include "protocol/frame_codec.h"

namespace tavr {
namespace {

using Clock = ReplyBatching::Clock;
using std::chrono::microseconds;

static_assert(ReplyBatching::kFullReplyBytes == kReadReplyLength,
              "a full reply's worth is the meter's read reply");

// Bytes that reach the driver together, `atUs` after the start.
struct Arrival {
    std::int64_t atUs;
    std::size_t bytes;
};

struct Delivery {
    std::int64_t atUs;
    std::size_t bytes;
    bool operator==(const Delivery&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Delivery& delivery) {
    return out << delivery.bytes << " at " << delivery.atUs << " µs";
}

struct Replay {
    std::vector<Delivery> deliveries;
    int looks = 0;  // the watcher's wake-ups
};

// `count` single bytes, one every `spacingUs` from `firstUs`: a line at its wire pace.
std::vector<Arrival> Paced(std::size_t count, double spacingUs, std::int64_t firstUs = 0) {
    std::vector<Arrival> arrivals;
    for (std::size_t i = 0; i < count; ++i) {
        arrivals.push_back(
            {firstUs + static_cast<std::int64_t>(static_cast<double>(i) * spacingUs + 0.5), 1});
    }
    return arrivals;
}

// Plays the watcher on a fake clock: it sleeps until the port has bytes while the rule watches
// the port, and until the planned look otherwise, and reads everything that has arrived.
Replay Play(LinePace pace, const std::vector<Arrival>& arrivals) {
    const Clock::time_point start{};
    ReplyBatching batching(pace);
    Replay replay;
    std::size_t next = 0;
    std::size_t held = 0;
    for (;;) {
        const std::optional<Clock::time_point> look = batching.NextLook();
        if (!look && next == arrivals.size()) {
            return replay;
        }
        const Clock::time_point now = look ? *look : start + microseconds(arrivals[next].atUs);
        std::size_t read = 0;
        for (; next < arrivals.size() && start + microseconds(arrivals[next].atUs) <= now; ++next) {
            read += arrivals[next].bytes;
        }
        ++replay.looks;
        held += read;
        if (batching.Look(now, read)) {
            const auto atUs = std::chrono::duration_cast<microseconds>(now - start).count();
            replay.deliveries.push_back({atUs, held});
            held = 0;
        }
    }
}

// Plays a watcher whose reads during a burst the driver ends itself (a read with an interval
// time-out): at the planned look at the latest, at once when the bytes to a full reply's worth
// have come, and when the line has been quiet for the gap, in whole milliseconds, after a byte.
Replay PlayWithDriverReads(LinePace pace, std::vector<Arrival> arrivals) {
    const Clock::time_point start{};
    const auto atUs = [&](Clock::time_point time) {
        return std::chrono::duration_cast<microseconds>(time - start).count();
    };
    ReplyBatching batching(pace);
    const std::int64_t intervalUs =
        std::chrono::ceil<std::chrono::milliseconds>(batching.Gap()).count() * 1000;
    Replay replay;
    std::size_t next = 0;
    std::size_t held = 0;
    std::int64_t nowUs = 0;
    for (;;) {
        const std::optional<Clock::time_point> look = batching.NextLook();
        if (!look && next == arrivals.size()) {
            return replay;
        }
        std::size_t read = 0;
        bool quietSeen = false;
        if (!look) {
            nowUs = arrivals[next].atUs;
            for (; next < arrivals.size() && arrivals[next].atUs <= nowUs; ++next) {
                read += arrivals[next].bytes;
            }
        } else {
            const std::int64_t deadlineUs = atUs(*look);
            const std::size_t wanted = batching.BytesToFullReply();
            std::optional<std::int64_t> lastUs;
            for (;;) {
                const std::int64_t endUs =
                    std::min(deadlineUs, lastUs ? *lastUs + intervalUs : deadlineUs);
                if (next < arrivals.size() && arrivals[next].atUs <= endUs) {
                    // The driver hands over no more than the read asked for.
                    const std::size_t taken = std::min(arrivals[next].bytes, wanted - read);
                    read += taken;
                    lastUs = arrivals[next].atUs;
                    arrivals[next].bytes -= taken;
                    next += arrivals[next].bytes == 0 ? 1 : 0;
                    if (read == wanted) {
                        nowUs = *lastUs;
                        break;
                    }
                    continue;
                }
                nowUs = endUs;
                quietSeen = endUs < deadlineUs;
                break;
            }
        }
        ++replay.looks;
        held += read;
        if (batching.Look(start + microseconds(nowUs), read, quietSeen)) {
            replay.deliveries.push_back({nowUs, held});
            held = 0;
        }
    }
}

constexpr LinePace k9600{9600, 10};
// One character at 9600 baud, 8 data bits, no parity, one stop bit.
constexpr double kCharacterUs9600 = 1e6 * 10 / 9600;

TEST(ReplyBatchingTest, TheGapIsThreeAndAHalfCharactersUpTo19200BaudThenFixed) {
    const struct {
        LinePace pace;
        std::int64_t gapUs;
    } cases[] = {
        {{9600, 10}, 3646},  {{9600, 11}, 4011},  {{2400, 10}, 14584},
        {{19200, 11}, 2006}, {{38400, 11}, 1750}, {{115200, 10}, 1750},
        {{0, 10}, 35000000}, {{9600, 0}, 365},  // nonsense settings still make a rule
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplyBatching(c.pace).Gap().count(), c.gapUs)
            << c.pace.baudRate << " baud, " << c.pace.characterBits << " bits";
    }
}

TEST(ReplyBatchingTest, BytesInDeliveriesOut) {
    std::vector<Arrival> groups;  // an adapter handing over 16 bytes every 16 ms
    for (std::size_t i = 0; i < 5; ++i) {
        groups.push_back({static_cast<std::int64_t>(i) * 16000, i < 4 ? 16u : 11u});
    }
    std::vector<Arrival> twoReplies = Paced(75, kCharacterUs9600);
    const std::vector<Arrival> second = Paced(75, kCharacterUs9600, 200000);
    twoReplies.insert(twoReplies.end(), second.begin(), second.end());
    const struct {
        const char* line;
        LinePace pace;
        std::vector<Arrival> arrivals;
        std::vector<Delivery> deliveries;
        int looks;
        // The same line where the driver ends a burst's reads itself.
        std::vector<Delivery> driverDeliveries;
        int driverLooks;
    } cases[] = {
        {"a reply in one piece (a pseudo-terminal)", k9600, {{0, 75}}, {{0, 75}}, 1, {{0, 75}}, 1},
        {"a reply a byte a character at 9600 baud",
         k9600,
         Paced(75, kCharacterUs9600),
         {{0, 1}, {50000, 48}, {80730, 26}},
         4,
         // The last read ends with the reply's last byte.
         {{0, 1}, {50000, 48}, {77083, 26}},
         4},
        {"two replies: each one's first byte at once",
         k9600,
         twoReplies,
         {{0, 1}, {50000, 48}, {80730, 26}, {200000, 1}, {250000, 48}, {280730, 26}},
         8,
         {{0, 1}, {50000, 48}, {77083, 26}, {200000, 1}, {250000, 48}, {277083, 26}},
         8},
        {"a reply at 115200 baud, shorter than the flood limit",
         {115200, 10},
         Paced(75, 1e6 * 10 / 115200),
         {{0, 1}, {8188, 74}},
         3,
         {{0, 1}, {6424, 74}},
         3},
        // Found quiet by the look planned for a short answer: fewer bytes than the wire brought.
        {"a short answer (a write's echo)",
         k9600,
         Paced(8, kCharacterUs9600),
         {{0, 1}, {10938, 7}},
         2,
         {{0, 1}, {10938, 7}},
         2},
        // The driver ends the read a whole-millisecond gap after the last byte.
        {"an exception answer",
         k9600,
         Paced(5, kCharacterUs9600),
         {{0, 1}, {10938, 4}},
         2,
         {{0, 1}, {8167, 4}},
         2},
        // Found quiet by a look that finds nothing new.
        {"a burst of 20 bytes",
         k9600,
         Paced(20, kCharacterUs9600),
         {{0, 1}, {50000, 19}},
         3,
         {{0, 1}, {23792, 19}},
         3},
        {"one stray byte", k9600, {{0, 1}}, {{0, 1}}, 2, {{0, 1}}, 2},
        // To the driver an adapter's pause between groups is a quiet line: each group is a
        // burst of its own, ended by the gap after it.
        {"an adapter's groups",
         k9600,
         groups,
         {{0, 16}, {50000, 48}, {65105, 11}},
         3,
         {{0, 16}, {20000, 16}, {32000, 16}, {52000, 16}, {64000, 11}},
         6},
    };
    for (const auto& c : cases) {
        const Replay replay = Play(c.pace, c.arrivals);
        EXPECT_EQ(replay.deliveries, c.deliveries) << c.line;
        EXPECT_EQ(replay.looks, c.looks) << c.line;
        const Replay driver = PlayWithDriverReads(c.pace, c.arrivals);
        EXPECT_EQ(driver.deliveries, c.driverDeliveries) << c.line << ", driver's reads";
        EXPECT_EQ(driver.looks, c.driverLooks) << c.line << ", driver's reads";
    }
}

// Whatever the line does, every byte is delivered, the first after a quiet line at once, and
// while bytes keep coming no more than the flood limit passes between two deliveries.
TEST(ReplyBatchingTest, AFloodReachesTheWindowThreadAtLeastEveryFloodLimit) {
    const struct {
        const char* line;
        LinePace pace;
        std::vector<Arrival> arrivals;
    } cases[] = {
        {"a byte a character for a second at 9600 baud", k9600, Paced(9600, kCharacterUs9600)},
        {"a reply at 1200 baud", {1200, 10}, Paced(75, 1e6 * 10 / 1200)},
        {"a byte every 3 ms at 9600 baud, just under the gap", k9600, Paced(300, 3000)},
        {"bytes every 49 ms at 300 baud, within its gap", {300, 11}, Paced(20, 49000)},
    };
    for (const auto& c : cases) {
        for (const Replay& replay :
             {Play(c.pace, c.arrivals), PlayWithDriverReads(c.pace, c.arrivals)}) {
            ASSERT_FALSE(replay.deliveries.empty()) << c.line;
            EXPECT_EQ(replay.deliveries.front(), (Delivery{c.arrivals.front().atUs, 1})) << c.line;
            std::size_t delivered = 0;
            std::int64_t longestPauseUs = 0;
            for (std::size_t i = 0; i < replay.deliveries.size(); ++i) {
                delivered += replay.deliveries[i].bytes;
                if (i > 0) {
                    longestPauseUs = std::max(
                        longestPauseUs, replay.deliveries[i].atUs - replay.deliveries[i - 1].atUs);
                }
            }
            EXPECT_EQ(delivered, c.arrivals.size()) << c.line;
            EXPECT_LE(longestPauseUs, 50000) << c.line;
            const std::int64_t lastByteUs = c.arrivals.back().atUs;
            EXPECT_LE(replay.deliveries.back().atUs - lastByteUs, 50000) << c.line;
        }
    }
}

TEST(ReplyBatchingTest, ARequestEndsTheBurstSoTheAnswersFirstByteGoesAtOnce) {
    const Clock::time_point start{};
    ReplyBatching batching(k9600);
    EXPECT_TRUE(batching.Look(start, 1));
    EXPECT_FALSE(batching.Look(start + microseconds(4000), 3));
    ASSERT_TRUE(batching.NextLook().has_value());

    EXPECT_TRUE(batching.Restart()) << "the three bytes held go before the request";
    EXPECT_FALSE(batching.NextLook().has_value()) << "the watcher watches the port again";
    EXPECT_FALSE(batching.Restart()) << "nothing more is held";
    EXPECT_TRUE(batching.Look(start + microseconds(5000), 1));
}

}  // namespace
}  // namespace tavr
