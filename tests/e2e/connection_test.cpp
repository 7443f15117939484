#include <QtTest/QTest>
#include <filesystem>

#include "end_to_end_test.h"
#include "protocol/frame_codec.h"

namespace tavr {
namespace {

namespace fs = std::filesystem;

using Connection = EndToEndTest;

TEST_F(Connection, APortWithNoDeviceTurnsTheLampRedAndStoresNoSettings) {
    // Port 7's link names a device that is not there, so opening it fails on any machine.
    const fs::path links = Folder() / "dosdevices";
    fs::create_symlink(links / "no-such-device", links / "com7");

    ASSERT_NO_FATAL_FAILURE(Pick(C().串口号, "7"));
    Click(C().联机按钮);
    EXPECT_EQ(Shown(C().联机按钮), "断开");
    EXPECT_EQ(ShownLamp(), kRed);
    EXPECT_EQ(Program().WidgetOf(C().外形框1)->toolTip().toStdString(),
              "COM7 (" + (links / "no-such-device").string() + "): no device");
    EXPECT_FALSE(fs::exists(UserFile()));

    Click(C().联机按钮);
    EXPECT_EQ(Shown(C().联机按钮), "联机");
    EXPECT_EQ(ShownLamp(), kGrey);
    EXPECT_FALSE(fs::exists(UserFile()));
    EXPECT_TRUE(Meter().Received().empty());
}

// The meter's own address is register 0000H. Writing it moves the device-ID selector to the
// new address and remembers it with the connection settings, so that a restarted program
// reaches the meter at once.
TEST_F(Connection, ANewDeviceAddressIsFollowedRememberedAndRestoredAfterARestart) {
    ASSERT_NO_FATAL_FAILURE(Pick(C().波特率, "9600"));
    ASSERT_NO_FATAL_FAILURE(ConnectAndRead());
    EXPECT_EQ(Stored("Modbus_id"), "0");
    EXPECT_EQ(Stored("Modbus_btl"), "2");
    EXPECT_EQ(Stored("Modbus_com"), "2");

    QLineEdit* editor = StartEdit(0);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "5");
    ASSERT_NO_FATAL_FAILURE(ConfirmWithEnter(editor));
    EXPECT_EQ(Shown(C().设备ID), "5");
    EXPECT_EQ(Stored("Modbus_id"), "4");

    // Only an answer from the meter at its new address fills the table with it.
    ASSERT_TRUE(WaitFor([this] { return Cell(0, 0) == "00005"; }));
    EXPECT_EQ(Meter().Get(0), 5);
    const std::vector<std::string> received = Meter().Received();
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(received[1], Hex(BuildWriteRequest(1, 0, 5)));  // still to the old address
    EXPECT_EQ(received[2], Hex(BuildReadRequest(5)));

    ClickAutoRead();
    Click(C().联机按钮);
    EXPECT_EQ(Shown(C().联机按钮), "联机");
    EXPECT_EQ(ShownLamp(), kGrey);
    EXPECT_FALSE(C().自动读取选择框.Checked());
    EXPECT_FALSE(C().时钟2.IsRunning());

    PressEscape(C().联机按钮);
    ASSERT_TRUE(C().window.IsClosed());
    StartProgram();
    EXPECT_EQ(Shown(C().串口号), "3");
    EXPECT_EQ(Shown(C().波特率), "9600");
    EXPECT_EQ(Shown(C().设备ID), "5");
    EXPECT_EQ(ShownLamp(), kBlack);
    EXPECT_EQ(Table().model()->rowCount(), 0);

    // The port was let go, and the meter answers at the restored address.
    Click(C().联机按钮);
    Click(C().读取数据);
    ASSERT_TRUE(WaitFor([this] { return Table().model()->rowCount() == 35; }));
    EXPECT_EQ(Cell(0, 0), "00005");
}

// The port is held for exclusive use while open; closing the window must let it go, or the next
// run could not open it.
TEST_F(Connection, ClosingTheWindowWhileConnectedLetsThePortGo) {
    ASSERT_NO_FATAL_FAILURE(ConnectAndRead());
    ClickAutoRead();
    PressEscape(C().超级列表框1);
    ASSERT_TRUE(C().window.IsClosed());

    StartProgram();
    Click(C().联机按钮);
    EXPECT_EQ(ShownLamp(), kGreen);
    Click(C().读取数据);
    EXPECT_TRUE(WaitFor([this] { return Table().model()->rowCount() == 35; }));
}

}  // namespace
}  // namespace tavr
