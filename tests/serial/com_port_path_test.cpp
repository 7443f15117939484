#include "serial/com_port_path.h"

#include <gtest/gtest.h>

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

TEST_F(ComPortPathTest, PortNumbersFollowUsbThenAcmThenRealUarts) {
    const struct {
        int portNumber;
        const char* device;  // empty: no such port
    } cases[] = {
        {0, ""},        {-3, ""},     {1, "ttyUSB0"}, {2, "ttyUSB1"}, {3, "ttyUSB10"},
        {4, "ttyACM0"}, {5, "ttyS0"}, {6, "ttyS11"},  {7, ""},
    };
    for (const auto& c : cases) {
        const std::optional<fs::path> device = ComPortDevicePath(c.portNumber, Locations());
        if (*c.device == '\0') {
            EXPECT_FALSE(device.has_value()) << "COM" << c.portNumber;
        } else {
            EXPECT_EQ(device, root_ / "dev" / c.device) << "COM" << c.portNumber;
        }
    }
}

TEST_F(ComPortPathTest, ALinkNamesItsPortEvenWhenItPointsNowhere) {
    home_.LinkComPort(2, "/dev/pts/elsewhere");
    home_.LinkComPort(9, home_.Path() / "missing");
    EXPECT_EQ(ComPortDevicePath(1, Locations()), root_ / "dev/ttyUSB0");
    EXPECT_EQ(ComPortDevicePath(2, Locations()), home_.LinkFolder() / "com2");
    EXPECT_EQ(ComPortDevicePath(9, Locations()), home_.LinkFolder() / "com9");
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
