#include "support/resident_memory.h"

#include <gtest/gtest.h>

namespace tavr {
namespace {

constexpr std::string_view kStatus =
    "Name:\ttavr-bench\nVmPeak:\t  912344 kB\nVmHWM:\t   61220 kB\nVmRSS:\t   58112 kB\n"
    "RssAnon:\t   20480 kB\nThreads:\t2\nVmRSSx:\t1 kB\n";

TEST(ResidentMemoryTest, ReadsTheKilobytesOfTheNamedFieldOnly) {
    struct Case {
        std::string_view name;
        std::optional<std::int64_t> expected;
    };
    for (const Case& c : {Case{"VmRSS", 58112}, Case{"VmHWM", 61220}, Case{"RssAnon", 20480},
                          Case{"Threads", std::nullopt},  // no unit: not a size
                          Case{"VmSwap", std::nullopt}, Case{"Vm", std::nullopt}}) {
        EXPECT_EQ(StatusKilobytes(kStatus, c.name), c.expected) << c.name;
    }
    EXPECT_EQ(StatusKilobytes("VmRSS:\t12 kB", "VmRSS"), 12);  // no line end
    EXPECT_EQ(StatusKilobytes("VmRSS:\t12 MB\n", "VmRSS"), std::nullopt);
}

TEST(ResidentMemoryTest, ThisProcessHasAResidentSet) {
    const auto resident = ResidentKilobytes();
    ASSERT_TRUE(resident.has_value());
    EXPECT_GT(*resident, 0);
}

}  // namespace
}  // namespace tavr
