#include <QtTest/QTest>
#include <cstdio>
#include <string>
#include <vector>

#include "end_to_end_test.h"
#include "ui/link_lamp.h"

namespace tavr {
namespace {

std::string Formatted(const char* format, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string HexBytes(unsigned value) {
    return Formatted("0x%02X", value >> 8) + " " + Formatted("0x%02X", value & 0xFF);
}

struct ValueCell {
    int address;
    const char* shown;
};

// The simulator's starting values in physical units. Its register 0002H (2303H) gives the main
// voltage 3 decimals, the second voltage 2 and the current 3, positive.
constexpr ValueCell kStartingValues[] = {
    {0x00, "00001"},     {0x02, "08963"},  {0x03, "12.345V"}, {0x04, "15.000A"},   {0x05, "+25.0℃"},
    {0x06, "-5.0℃"},     {0x07, "75.0Ah"}, {0x08, "01234Wh"}, {0x09, "100.0Ah"},   {0x0B, "75.00%"},
    {0x14, "2分30秒"},   {0x15, "1分0秒"}, {0x16, "0.50A"},   {0x18, "75mV50.0A"}, {0x19, "-0.00A"},
    {0x1A, "1A+0.00mV"}, {0x1B, "00002"},  {0x1E, "54.00V"},  {0x22, "00007次"},
};

using Reading = EndToEndTest;

TEST_F(Reading, ConnectingTurnsTheLampGreenAndAReadShowsEveryRegisterTheMeterHolds) {
    Pick(C().串口号, "3");
    Click(C().联机按钮);
    EXPECT_EQ(Shown(C().联机按钮), "断开");
    EXPECT_EQ(ShownLamp(), kGreen);

    Click(C().读取数据);
    ASSERT_TRUE(WaitFor([this] { return Table().model()->rowCount() == 35; }));
    EXPECT_EQ(ShownLamp(), kGreen);
    EXPECT_EQ(Meter().Received(), std::vector<std::string>{"01 03 00 00 00 23 04 13"});

    for (int address = 0; address < 35; ++address) {
        SCOPED_TRACE(Formatted("register %04XH", static_cast<unsigned>(address)));
        const auto held = Meter().Get(address);
        ASSERT_TRUE(held);
        EXPECT_EQ(Cell(address, 0), Formatted("%05u", *held));
        EXPECT_EQ(Cell(address, 2), HexBytes(*held));
        EXPECT_EQ(Cell(address, 3), Formatted("0x%04X", static_cast<unsigned>(address)));
        EXPECT_EQ(
            Cell(address, 4).rfind(Formatted("地址:%04XH ", static_cast<unsigned>(address)), 0), 0u)
            << Cell(address, 4);
    }
    for (const ValueCell& value : kStartingValues) {
        EXPECT_EQ(Cell(value.address, 1), value.shown) << "register " << value.address;
    }
    EXPECT_EQ(Cell(0, 4), "地址:0000H 本设备地址ID号");
    EXPECT_EQ(Cell(34, 4),
              "地址:0022H 充放电循环次数 充电电流超过-1.000A且持续30秒才算1次有效充电");
}

// A real line brings a reply a byte at a time, or in an adapter's groups: the lamp still turns
// green at the reply's first byte, and the table still fills with every register.
TEST_F(Reading, OnALineAtItsWirePaceTheLampTurnsGreenAtTheFirstByteAndTheTableFills) {
    const struct {
        std::vector<std::string> line;
        std::uint16_t capacity;  // register 0009H, a value of its own per line
        const char* shown;
    } cases[] = {
        {{"--baud", "9600", "--paced"}, 4321, "04321"},
        {{"--baud", "9600", "--paced-group", "16"}, 1234, "01234"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.back());
        ASSERT_NO_FATAL_FAILURE(RestartMeter(c.line));
        ASSERT_TRUE(Meter().Set(0x09, c.capacity));
        Pick(C().串口号, "3");
        Pick(C().波特率, "9600");
        Click(C().联机按钮);
        // The lamp as the window thread leaves it after each byte of the reply.
        std::vector<Colour> lampAfterByte;
        SerialPort& port = C().端口1;
        const auto handle = port.onDataArrival;
        port.onDataArrival = [&](std::int32_t byte) {
            handle(byte);
            lampAfterByte.push_back(C().外形框1.FillColour());
        };

        Click(C().读取数据);
        EXPECT_EQ(C().外形框1.FillColour(), kLampWaiting);
        ASSERT_TRUE(WaitFor([&] { return Cell(9, 0) == c.shown; }));
        EXPECT_EQ(Table().model()->rowCount(), 35);
        EXPECT_EQ(lampAfterByte, std::vector<Colour>(75, kLampReady));
        EXPECT_EQ(ShownLamp(), kGreen);
        port.onDataArrival = handle;
        Click(C().联机按钮);
    }
}

TEST_F(Reading, WithAutoReadOnTheTableFollowsTheMeterWithoutAClick) {
    ASSERT_NO_FATAL_FAILURE(ConnectAndRead());
    auto* period = Program().WidgetOf<QLineEdit>(C().隔几秒);
    period->setFocus(Qt::TabFocusReason);
    period->selectAll();
    QTest::keyClicks(period, "0.2");
    ClickAutoRead();
    EXPECT_TRUE(C().自动读取选择框.Checked());

    ASSERT_TRUE(Meter().Set(0x07, 800));
    ASSERT_TRUE(WaitFor([this] { return Cell(7, 0) == "00800"; }));
    EXPECT_EQ(Cell(7, 1), "80.0Ah");
    ASSERT_TRUE(Meter().Set(0x05, 4096 + 123));
    ASSERT_TRUE(WaitFor([this] { return Cell(5, 0) == "04219"; }));
    EXPECT_EQ(Cell(5, 1), "-12.3℃");
    EXPECT_EQ(Meter().ReceivedWithFunction(0x06), 0u);
}

TEST_F(Reading, ADamagedReplyIsNotShownAndReadingRecoversAfterSilence) {
    constexpr const char* kBaud = "14400";
    ASSERT_NO_FATAL_FAILURE(RestartMeter({"--address", "7", "--baud", kBaud, "--check-baud"}));
    Pick(C().串口号, "3");
    Pick(C().波特率, kBaud);
    Pick(C().设备ID, "7");
    Click(C().联机按钮);
    ASSERT_EQ(ShownLamp(), kGreen);
    Click(C().读取数据);
    ASSERT_TRUE(WaitFor([this] { return Table().model()->rowCount() == 35; }));
    EXPECT_EQ(Cell(9, 0), "01000");

    // The meter misses a request: the lamp stays red, and a read within the line's time-out
    // sends nothing more.
    ASSERT_TRUE(Meter().SetFault("silent"));
    Click(C().读取数据);
    ASSERT_TRUE(WaitFor([this] { return Meter().Received().size() == 2; }));
    Click(C().读取数据);
    EXPECT_EQ(ShownLamp(), kRed);

    // After the time-out the next read goes out; its reply has a wrong checksum and is not shown.
    ASSERT_TRUE(Meter().SetFault("bad-crc"));
    ASSERT_TRUE(Meter().Set(0x09, 4321));
    QTest::qWait(1000);
    Click(C().读取数据);
    ASSERT_TRUE(WaitFor([this] { return ShownLamp() == kGreen; }));
    QTest::qWait(200);  // every byte of the reply handled
    EXPECT_EQ(Cell(9, 0), "01000");
    EXPECT_EQ(Meter().Received().size(), 3u);

    ASSERT_TRUE(Meter().SetFault("none"));
    Click(C().读取数据);
    ASSERT_TRUE(WaitFor([this] { return Cell(9, 0) == "04321"; }));
    EXPECT_EQ(Cell(9, 1), "432.1Ah");
    for (const std::string& frame : Meter().Received()) {
        EXPECT_EQ(frame.rfind("07 03 00 00 00 23", 0), 0u) << frame;
    }
}

}  // namespace
}  // namespace tavr
