#include "serial/posix/com_port_path.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "pty_line.h"

namespace tavr {
namespace {

namespace fs = std::filesystem;

// A stand-in system root with device nodes (plain files will do) and the sysfs port types of
// the on-board ports.
class ComPortPathTest : public ::testing::Test {
  protected:
    ComPortPathTest() : root_(home_.Path() / "root") {
        fs::create_directories(root_ / "dev");
        for (const char* name : {"ttyUSB10", "ttyUSB1", "ttyUSB0", "ttyACM0", "ttyS0", "ttyS1",
                                 "ttyS2", "ttyS11", "tty5", "ttyUSB", "ttyUSBx", "ttyS1a"}) {
            std::ofstream(root_ / "dev" / name);
        }
        SetPortType("ttyS0", "4");
        SetPortType("ttyS1", "0");  // a phantom legacy port
        SetPortType("ttyS11", "4");
        // ttyS2 has no sysfs entry: nothing says there is a UART behind it.
    }

    void SetPortType(const std::string& name, const std::string& type) const {
        fs::create_directories(root_ / "sys/class/tty" / name);
        std::ofstream(root_ / "sys/class/tty" / name / "type") << type << "\n";
    }

    ComPortLocations Locations() const { return {home_.LinkFolder(), root_}; }

    TemporaryConfigHome home_;
    fs::path root_;
};

TEST_F(ComPortPathTest, PortNumbersFollowUsbThenAcmThenRealUartsButNotTheConsole) {
    const struct {
        const char* console;  // the kernel's active console list; nullptr for none
        int portNumber;
        const char* device;  // empty: no such port
        const char* detail;
    } cases[] = {
        {nullptr, 0, "", ""},
        {nullptr, -3, "", ""},
        {nullptr, 1, "ttyUSB0", ""},
        {nullptr, 2, "ttyUSB1", ""},
        {nullptr, 3, "ttyUSB10", ""},
        {nullptr, 4, "ttyACM0", ""},
        {nullptr, 5, "ttyS0", ""},
        {nullptr, 6, "ttyS11", ""},
        {nullptr, 7, "", "no dosdevices link and only 6 serial ports found"},
        {"tty0 ttyS0\n", 5, "ttyS11", ""},
        {"tty0 ttyS0\n", 6, "", "no dosdevices link and only 5 serial ports found"},
        {"ttyUSB0", 1, "ttyUSB1", ""},
    };
    for (const auto& c : cases) {
        fs::remove_all(root_ / "sys/class/tty/console");
        if (c.console != nullptr) {
            fs::create_directories(root_ / "sys/class/tty/console");
            std::ofstream(root_ / "sys/class/tty/console/active") << c.console;
        }
        const ComPortLookup lookup = LookUpComPort(c.portNumber, Locations());
        const std::string label =
            "COM" + std::to_string(c.portNumber) + " console " + (c.console ? c.console : "-");
        if (*c.device == '\0') {
            EXPECT_TRUE(lookup.path.empty()) << label;
            EXPECT_EQ(lookup.outcome.error,
                      c.portNumber < 1 ? SerialOpenError::BadPortNumber : SerialOpenError::NoDevice)
                << label;
        } else {
            EXPECT_EQ(lookup.path, root_ / "dev" / c.device) << label;
            EXPECT_EQ(lookup.outcome.device, (root_ / "dev" / c.device).string()) << label;
            EXPECT_TRUE(lookup.outcome.Succeeded()) << label;
        }
        EXPECT_EQ(lookup.outcome.detail, c.detail) << label;
    }
}

TEST_F(ComPortPathTest, ALinkNamesItsPortEvenWhenItPointsNowhere) {
    home_.LinkComPort(2, "/dev/pts/elsewhere");
    home_.LinkComPort(9, home_.Path() / "missing");
    EXPECT_EQ(LookUpComPort(1, Locations()).path, root_ / "dev/ttyUSB0");
    const ComPortLookup second = LookUpComPort(2, Locations());
    EXPECT_EQ(second.path, home_.LinkFolder() / "com2");
    EXPECT_EQ(second.outcome.device, "/dev/pts/elsewhere");
    EXPECT_EQ(LookUpComPort(9, Locations()).path, home_.LinkFolder() / "com9");
}

TEST_F(ComPortPathTest, ALinkFolderThatCannotBeSearchedFailsInsteadOfFallingBack) {
    const fs::path loop = home_.Path() / "loop";
    fs::create_directory_symlink(loop, loop);
    const fs::path locked = home_.Path() / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::none);
    const struct {
        const char* why;
        fs::path linkFolder;
        bool rootPassesIt;
    } cases[] = {
        {"a link loop", loop, false},
        {"no permission", locked, true},
    };
    for (const auto& c : cases) {
        if (c.rootPassesIt && ::geteuid() == 0) {
            continue;
        }
        const ComPortLookup lookup = LookUpComPort(1, {c.linkFolder, root_});
        EXPECT_TRUE(lookup.path.empty()) << c.why;
        EXPECT_EQ(lookup.outcome.error, SerialOpenError::PortLookupFailed) << c.why;
        EXPECT_TRUE(lookup.outcome.detail.starts_with(c.linkFolder.string() + ": ")) << c.why;
    }
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(LookUpComPort(1, {home_.Path() / "absent", root_}).path, root_ / "dev/ttyUSB0");
}

TEST_F(ComPortPathTest, LinkFolderFollowsTheConfigHome) {
    EXPECT_EQ(ComPortLinkFolder(), home_.LinkFolder());
    const char* home = std::getenv("HOME");
    const std::string savedHome = home != nullptr ? home : "";
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(ComPortLinkFolder(), fs::path("/home/someone/.config/TAVR_12864/dosdevices"));
    ::setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(ComPortPathTest, NoDevicesWithoutADevFolder) {
    EXPECT_TRUE(DefaultSerialDevices(home_.Path() / "nowhere").empty());
}

}  // namespace
}  // namespace tavr
