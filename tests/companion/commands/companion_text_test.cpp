#include <gmock/gmock.h>

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "companion/cli/device_id_list.h"
#include "companion/cli/duration_text.h"
#include "companion/commands/companion.h"
#include "companion/log/log_timestamp.h"
#include "companion/meter/connection_choice.h"
#include "companion/meter/register_address.h"
#include "companion/platform/output_buffer.h"
#include "settings/config_home_test.h"
#include "settings/registry.h"

namespace tavr {
namespace {

TEST(StandardOutput, AFailedWriteKeepsTheSystemsReason) {
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    OutputBuffer buffer(full);
    std::ostream out(&buffer);
    out << "row\n" << std::flush;
    EXPECT_FALSE(out.good());
    EXPECT_EQ(buffer.Error(), ENOSPC);
    std::ostringstream err;
    EXPECT_EQ(FinishStandardOutput(out, buffer, err, 0), 5);
    EXPECT_EQ(err.str(), "tavr-12864-cli: cannot write standard output: No space left on device\n");

    OutputBuffer closed(-1, EBADF);
    std::ostream nowhere(&closed);
    nowhere << "x";
    std::ostringstream closedErr;
    EXPECT_EQ(FinishStandardOutput(nowhere, closed, closedErr, 1), 1);
    EXPECT_THAT(closedErr.str(), testing::HasSubstr("Bad file descriptor"));

    // A reader that stopped reading: the write waits only until the operator interrupts.
    int pipeEnds[2];
    ASSERT_EQ(::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK), 0);
    const std::string filler(4096, 'x');
    while (::write(pipeEnds[1], filler.data(), filler.size()) > 0) {
    }
    ASSERT_EQ(::fcntl(pipeEnds[1], F_SETFL, 0), 0);
    const int interrupt = ::eventfd(1, EFD_CLOEXEC);
    OutputBuffer stalled(pipeEnds[1], 0, interrupt);
    std::ostream blocked(&stalled);
    blocked << "row\n" << std::flush;
    EXPECT_EQ(stalled.Error(), EINTR);
    ::close(pipeEnds[0]);
    ::close(interrupt);
    stalled.Close();

    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    OutputBuffer fine(null);
    std::ostream kept(&fine);
    kept << std::string(100'000, 'x');
    std::ostringstream fineErr;
    EXPECT_EQ(FinishStandardOutput(kept, fine, fineErr, 0), 0);
    EXPECT_EQ(fineErr.str(), "");
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
