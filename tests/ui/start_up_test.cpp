#include <filesystem>
#include <ostream>

#include "meter_program_test.h"

namespace tavr {
namespace {

using StartUp = MeterProgramTest;

TEST_F(StartUp, ShowsAnEmptyTableABlackLampAndAutoReadOff) {
    Start();
    const ListView& table = C().超级列表框1;
    ASSERT_EQ(table.ColumnCount(), 5);
    const char* headers[] = {"10进制结果", "所对应数值", "16进制结果", "数据地址位", "数据备注项"};
    for (std::int32_t column = 0; column < 5; ++column) {
        EXPECT_EQ(table.Columns()[static_cast<std::size_t>(column)].header, headers[column]);
    }
    EXPECT_EQ(table.RowCount(), 0);
    EXPECT_EQ(Lamp(), kBlack);
    EXPECT_EQ(C().联机按钮.Caption(), "联机");
    EXPECT_EQ(C().自动读取选择框.Checked(), 0);
    EXPECT_EQ(C().隔几秒.Content(), "3");
    EXPECT_FALSE(C().时钟1.IsRunning());
    EXPECT_FALSE(C().时钟2.IsRunning());
    EXPECT_FALSE(Port().IsOpen());
    EXPECT_TRUE(Port().openings.empty());
}

struct StoredSelections {
    const char* name;
    const char* fileValues;  // the values under the settings key; nullptr for no settings file
    const char* deviceId;
    const char* baudRate;
    const char* portNumber;
    friend void PrintTo(const StoredSelections& value, std::ostream* out) { *out << value.name; }
};

class RestoredSelectors : public MeterProgramTest,
                          public testing::WithParamInterface<StoredSelections> {};

TEST_P(RestoredSelectors, ShowTheStoredIndexesClampedByTheSelectors) {
    if (GetParam().fileValues != nullptr) {
        PutFile(UserFile(), std::string("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TAVR_12864]\n") +
                                GetParam().fileValues + "\n");
    }
    Start();
    EXPECT_EQ(C().设备ID.Content(), GetParam().deviceId);
    EXPECT_EQ(C().波特率.Content(), GetParam().baudRate);
    EXPECT_EQ(C().串口号.Content(), GetParam().portNumber);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, RestoredSelectors,
    testing::Values(
        StoredSelections{"FirstRun", nullptr, "1", "2400", "1"},
        StoredSelections{"Stored",
                         "\"Modbus_id\"=\"6\"\n\"Modbus_btl\"=\"6\"\n\"Modbus_com\"=\"2\"\n", "7",
                         "115200", "3"},
        StoredSelections{"PortBeyondTheLastEntry", "\"Modbus_com\"=\"25\"\n", "1", "2400", "20"},
        StoredSelections{"NoPortSelected", "\"Modbus_com\"=\"-1\"\n", "1", "2400", ""},
        StoredSelections{"BaudRateNotANumber", "\"Modbus_btl\"=\"abc\"\n", "1", "2400", "1"},
        StoredSelections{"BaudRateOfAnotherType", "\"Modbus_btl\"=dword:00000004\n", "1", "2400",
                         "1"}),
    [](const auto& info) { return info.param.name; });

using Connection = MeterProgramTest;

TEST_F(Connection, SuccessTurnsTheLampGreenAndRemembersTheSelectionsForTheNextStart) {
    Start();
    C().设备ID.Pick(6);
    C().波特率.Pick(6);
    C().串口号.Pick(2);
    ClickConnect();
    EXPECT_EQ(Lamp(), kGreen);
    EXPECT_EQ(C().联机按钮.Caption(), "断开");
    ASSERT_EQ(Port().openings.size(), 1u);
    EXPECT_EQ(Port().openings[0].portNumber, 3);
    EXPECT_EQ(Port().openings[0].baudRate, 115200);
    EXPECT_TRUE(Port().IsOpen());
    EXPECT_EQ(Stored("Modbus_id"), "6");
    EXPECT_EQ(Stored("Modbus_btl"), "6");
    EXPECT_EQ(Stored("Modbus_com"), "2");

    Start();
    EXPECT_EQ(C().设备ID.Content(), "7");
    EXPECT_EQ(C().波特率.Content(), "115200");
    EXPECT_EQ(C().串口号.Content(), "3");
}

TEST_F(Connection, FailureTurnsTheLampRedStoresNothingAndTheNextClickDisconnects) {
    Start();
    C().波特率.Pick(3);
    Port().nextOpen = {SerialOpenError::BaudRateRefused, "/dev/ttyUSB0", ""};
    testing::internal::CaptureStderr();
    ClickConnect();
    const char* reason = "COM1 (/dev/ttyUSB0): baud rate 14400 refused by the device";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string(reason) + "\n");
    EXPECT_EQ(C().外形框1.ToolTip(), reason);
    EXPECT_EQ(Lamp(), kRed);
    EXPECT_EQ(C().联机按钮.Caption(), "断开");
    EXPECT_FALSE(std::filesystem::exists(UserFile()));

    ClickConnect();
    EXPECT_EQ(C().联机按钮.Caption(), "联机");
    EXPECT_EQ(Lamp(), kGrey);
    EXPECT_EQ(Port().openings.size(), 1u);

    EXPECT_EQ(C().外形框1.ToolTip(), reason) << "kept until the next connect";
    Port().nextOpen = {};
    ClickConnect();
    EXPECT_EQ(Lamp(), kGreen);
    EXPECT_EQ(C().外形框1.ToolTip(), "");
    EXPECT_EQ(Port().openings.size(), 2u);
}

TEST_F(Connection, NoStoredPortOpensTheFirstPort) {
    PutFile(UserFile(),
            "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TAVR_12864]\n\"Modbus_com\"=\"-1\"\n\n");
    Start();
    ClickConnect();
    ASSERT_EQ(Port().openings.size(), 1u);
    EXPECT_EQ(Port().openings[0].portNumber, 1);
    EXPECT_EQ(Port().openings[0].baudRate, 2400);
    EXPECT_EQ(Stored("Modbus_com"), "-1");
}

TEST_F(Connection, DisconnectClosesThePortAndStopsAutoReadButNotTheReRead) {
    Start();
    ClickConnect();
    C().自动读取选择框.Click();
    ASSERT_TRUE(C().时钟2.IsRunning());
    ClickRead();
    Receive(ReplyFrame(Registers({})));
    ConfirmEdit(9, "1");
    C().超级列表框1.Focus();
    C().隔几秒.Type("2");  // auto-read runs again while the re-read is due
    ASSERT_TRUE(C().时钟2.IsRunning());
    ASSERT_EQ(C().时钟1.Interval(), 100);

    ClickConnect();
    EXPECT_FALSE(Port().IsOpen());
    EXPECT_EQ(Lamp(), kGrey);
    EXPECT_EQ(C().联机按钮.Caption(), "联机");
    EXPECT_EQ(C().自动读取选择框.Checked(), 0);
    EXPECT_EQ(C().时钟2.Interval(), 0);
    EXPECT_FALSE(C().时钟2.IsRunning());
    EXPECT_EQ(C().时钟1.Interval(), 100);
    EXPECT_TRUE(C().时钟1.IsRunning());
}

}  // namespace
}  // namespace tavr
