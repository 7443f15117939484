#include <cmath>
#include <ostream>
#include <span>

#include "meter_program_test.h"
#include "protocol/read_reply.h"
#include "registers/catalogue_texts.h"
#include "registers/register_reading.h"

namespace tavr {
namespace {

// 0002H = 2313H: main voltage with 3 decimals, second voltage with 2, current negative with 3.
constexpr std::uint16_t kNegativeCurrentFlags = 0x2313;
// 0002H = 0002H: both voltages without decimals, current positive with 2.
constexpr std::uint16_t kPositiveCurrentFlags = 0x0002;

class Decoding : public MeterProgramTest {
  protected:
    void SetUp() override {
        MeterProgramTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        Start();
        ClickConnect();
        ClickRead();
    }
};

TEST_F(Decoding, The75thByteFillsAll35RowsAtOnce) {
    const ByteSet reply = ReplyFrame(Registers({{0x00, 1}}));
    Receive(ByteSet(reply.begin(), reply.end() - 1));
    EXPECT_EQ(C().超级列表框1.RowCount(), 0);
    Receive({reply.back()});
    ASSERT_EQ(C().超级列表框1.RowCount(), 35);
    EXPECT_EQ(Row(0), (std::vector<Text>{"00001", "00001", "0x00 0x01", "0x0000",
                                         "地址:0000H 本设备地址ID号"}));
    EXPECT_EQ(Row(34)[3], "0x0022");
    EXPECT_EQ(Row(34)[4], "地址:0022H 充放电循环次数 充电电流超过-1.000A且持续30秒才算1次有效充电");
}

TEST_F(Decoding, EveryByteTurnsTheLampGreen) {
    ASSERT_EQ(Lamp(), kRed);
    Receive({0xFF});
    EXPECT_EQ(Lamp(), kGreen);
}

TEST_F(Decoding, TwoAnswersInARowAreDecodedTwice) {
    ByteSet twice = ReplyFrame(Registers({{0x09, 111}}));
    const ByteSet second = ReplyFrame(Registers({{0x09, 222}}));
    twice.insert(twice.end(), second.begin(), second.end() - 1);
    Receive(twice);
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00111");
    Receive({second.back()});
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00222");
    EXPECT_EQ(C().超级列表框1.RowCount(), 35);
}

TEST_F(Decoding, AnAnswerShorterThan75BytesIsDiscardedByTheNextRequest) {
    Receive({0x01, 0x83, 0x02, 0xC0, 0xF1});  // an exception answer
    Advance(100);
    ClickRead();
    Receive(ReplyFrame(Registers({{0x09, 7}})));
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00007");
}

TEST_F(Decoding, BytesDuringAnEditTurnTheLampGreenButAreNotCollected) {
    Receive(ReplyFrame(Registers({{0x09, 111}})));
    ClickRead();
    ASSERT_TRUE(C().超级列表框1.BeginEdit(3));
    Receive(ReplyFrame(Registers({{0x09, 222}})));
    EXPECT_EQ(Lamp(), kGreen);
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00111");
}

// A 75-byte answer that is not the intact reply of device 1 to its read request.
struct DamagedReply {
    const char* name;
    ByteSet (*bytes)();
    friend void PrintTo(const DamagedReply& value, std::ostream* out) { *out << value.name; }
};

class DamagedReplies : public Decoding, public testing::WithParamInterface<DamagedReply> {};

TEST_P(DamagedReplies, LeaveTheTableAsItWasButTurnTheLampGreen) {
    Receive(ReplyFrame(Registers({{0x09, 111}})));
    ClickRead();
    Receive(GetParam().bytes());
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00111");
    EXPECT_EQ(C().超级列表框1.RowCount(), 35);
    EXPECT_EQ(Lamp(), kGreen);

    ClickRead();
    Receive(ReplyFrame(Registers({{0x09, 333}})));
    EXPECT_EQ(C().超级列表框1.GetItemText(9), "00333");
}

// The answer with register 0009H at 222, byte `offset` set to `value`, the checksum made to fit.
ByteSet Resealed(std::size_t offset, std::uint8_t value) {
    ByteSet reply = ReplyFrame(Registers({{0x09, 222}}));
    reply[offset] = value;
    reply.resize(kReadReplyLength - 2);
    AppendCrc(reply);
    return reply;
}

ByteSet Flipped(std::size_t offset, std::uint8_t bits) {
    ByteSet reply = ReplyFrame(Registers({{0x09, 222}}));
    reply[offset] ^= bits;
    return reply;
}

INSTANTIATE_TEST_SUITE_P(
    Line, DamagedReplies,
    testing::Values(DamagedReply{"FromAnotherSlave", [] { return ReplyFrame(Registers({}), 2); }},
                    DamagedReply{"AnotherFunction", [] { return Resealed(1, 0x04); }},
                    DamagedReply{"AnotherByteCount", [] { return Resealed(2, 68); }},
                    DamagedReply{"ABitFlippedInAValue", [] { return Flipped(22, 0x10); }},
                    DamagedReply{"AWrongChecksum", [] { return Flipped(74, 0xFF); }},
                    DamagedReply{"AnExceptionAnswerAndStrayBytes",
                                 [] {
                                     ByteSet bytes{0x01, 0x83, 0x02, 0xC0, 0xF1};
                                     const ByteSet reply = ReplyFrame(Registers({{0x09, 222}}));
                                     bytes.insert(bytes.end(), reply.begin(), reply.end() - 5);
                                     return bytes;
                                 }}),
    [](const auto& info) { return info.param.name; });

struct WorkedRow {
    const char* name;
    std::uint16_t flags;  // register 0002H
    int address;
    std::uint16_t raw;
    std::vector<Text> cells;       // columns 0 to 3
    std::optional<double> number;  // the number the value column shows
    friend void PrintTo(const WorkedRow& value, std::ostream* out) { *out << value.name; }
};

class Rows : public Decoding, public testing::WithParamInterface<WorkedRow> {};

TEST_P(Rows, ShowTheRegisterAsTheTableDoes) {
    const WorkedRow& row = GetParam();
    RegisterValues values = Registers({{0x02, row.flags}});
    values[static_cast<std::size_t>(row.address)] = row.raw;
    Receive(ReplyFrame(values));
    std::vector<Text> cells = Row(row.address);
    const std::vector<Text> shown = cells;
    cells.pop_back();  // the remark
    EXPECT_EQ(cells, row.cells);

    // Every other consumer of the readings gets the table's texts, and the number they show.
    RegisterCatalogue catalogue;
    catalogue.LoadCatalogue(kDecimalsCatalogueText, kUnitsCatalogueText, kRemarksCatalogueText,
                            kMaxLimitsCatalogueText);
    const RegisterReading reading = DecodeReadings(
        ParseReadReply(std::span<const std::uint8_t, kReadReplyLength>(ReplyFrame(values))),
        catalogue)[static_cast<std::size_t>(row.address)];
    EXPECT_EQ(reading.raw, row.raw);
    EXPECT_EQ((std::vector<Text>{reading.texts.decimal, reading.texts.value, reading.texts.hexBytes,
                                 reading.texts.address, reading.texts.remark}),
              shown);
    ASSERT_EQ(reading.number.has_value(), row.number.has_value());
    if (row.number) {
        EXPECT_DOUBLE_EQ(*reading.number, *row.number);
        EXPECT_EQ(std::signbit(*reading.number), std::signbit(*row.number));
        EXPECT_TRUE(shown[1].ends_with(reading.unit));
    }
}

constexpr std::uint16_t kN = kNegativeCurrentFlags;
constexpr std::uint16_t kP = kPositiveCurrentFlags;

INSTANTIATE_TEST_SUITE_P(
    WorkedRows, Rows,
    testing::Values(
        WorkedRow{"DeviceAddress", kN, 0x00, 1, {"00001", "00001", "0x00 0x01", "0x0000"}, 1},
        WorkedRow{"Flags", kN, 0x02, 8979, {"08979", "08979", "0x23 0x13", "0x0002"}, 8979},
        WorkedRow{"Voltage", kN, 0x03, 12345, {"12345", "12.345V", "0x30 0x39", "0x0003"}, 12.345},
        WorkedRow{
            "NegativeCurrent", kN, 0x04, 1500, {"01500", "-1.500A", "0x05 0xDC", "0x0004"}, -1.5},
        WorkedRow{"NegativeTemperature",
                  kN,
                  0x05,
                  4346,
                  {"04346", "-25.0℃", "0x10 0xFA", "0x0005"},
                  -25.0},
        WorkedRow{
            "PositiveTemperature", kN, 0x06, 250, {"00250", "+25.0℃", "0x00 0xFA", "0x0006"}, 25.0},
        WorkedRow{"Energy", kN, 0x08, 1234, {"01234", "01234Wh", "0x04 0xD2", "0x0008"}, 1234},
        WorkedRow{"Percentage", kN, 0x0B, 8750, {"08750", "87.50%", "0x22 0x2E", "0x000B"}, 87.5},
        WorkedRow{"Time", kN, 0x14, 150, {"00150", "2分30秒", "0x00 0x96", "0x0014"}, 150},
        WorkedRow{"Shunt", kN, 0x18, 500, {"00500", "75mV50.0A", "0x01 0xF4", "0x0018"}, 50.0},
        WorkedRow{
            "PositiveOffset", kN, 0x19, 125, {"00125", "+0.25A", "0x00 0x7D", "0x0019"}, 0.25},
        WorkedRow{"NegativeOffset", kN, 0x19, 50, {"00050", "-0.50A", "0x00 0x32", "0x0019"}, -0.5},
        WorkedRow{"LineLoss", kN, 0x1A, 125, {"00125", "1A+1.25mV", "0x00 0x7D", "0x001A"}, 1.25},
        WorkedRow{"States", kN, 0x1C, 257, {"00257", "00257", "0x01 0x01", "0x001C"}, 257},
        WorkedRow{
            "SecondVoltage", kN, 0x1E, 5000, {"05000", "50.00V", "0x13 0x88", "0x001E"}, 50.0},
        WorkedRow{"Cycles", kN, 0x22, 7, {"00007", "00007次", "0x00 0x07", "0x0022"}, 7},
        WorkedRow{
            "WholeVoltage", kP, 0x03, 12345, {"12345", "12345V", "0x30 0x39", "0x0003"}, 12345},
        WorkedRow{
            "WholeSecondVoltage", kP, 0x1E, 5000, {"05000", "05000V", "0x13 0x88", "0x001E"}, 5000},
        WorkedRow{
            "PositiveCurrent", kP, 0x04, 1500, {"01500", "15.00A", "0x05 0xDC", "0x0004"}, 15.0}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    EdgeRows, Rows,
    testing::Values(
        WorkedRow{"Zero", kN, 0x01, 0, {"00000", "00000", "0x00 0x00", "0x0001"}, 0},
        WorkedRow{"Largest", kN, 0x1B, 65535, {"65535", "65535", "0xFF 0xFF", "0x001B"}, 65535},
        WorkedRow{"HighestPositiveTemperature",
                  kN,
                  0x05,
                  4095,
                  {"04095", "+409.5℃", "0x0F 0xFF", "0x0005"},
                  409.5},
        WorkedRow{"NegativeZeroTemperature",
                  kN,
                  0x06,
                  4096,
                  {"04096", "-0.0℃", "0x10 0x00", "0x0006"},
                  -0.0},
        WorkedRow{
            "OffsetAtItsBias", kN, 0x19, 100, {"00100", "-1.00A", "0x00 0x64", "0x0019"}, -1.0},
        WorkedRow{
            "OffsetJustAbove", kN, 0x19, 101, {"00101", "+0.01A", "0x00 0x65", "0x0019"}, 0.01},
        WorkedRow{"UnderAMinute", kN, 0x14, 59, {"00059", "0分59秒", "0x00 0x3B", "0x0014"}, 59},
        WorkedRow{"AnHour", kN, 0x15, 3600, {"03600", "60分0秒", "0x0E 0x10", "0x0015"}, 3600},
        WorkedRow{"VoltageDecimalsOutOfRange",
                  0x4502,
                  0x03,
                  12345,
                  {"12345", "", "0x30 0x39", "0x0003"},
                  std::nullopt},
        WorkedRow{"SecondVoltageDecimalsOutOfRange",
                  0x4502,
                  0x1E,
                  5000,
                  {"05000", "", "0x13 0x88", "0x001E"},
                  std::nullopt},
        WorkedRow{"CurrentDecimalsOutOfRange",
                  0x0014,
                  0x04,
                  1500,
                  {"01500", "", "0x05 0xDC", "0x0004"},
                  std::nullopt},
        WorkedRow{
            "LastSingleDigitAddress", kN, 0x0F, 25, {"00025", "2.5A", "0x00 0x19", "0x000F"}, 2.5},
        WorkedRow{
            "FirstTwoDigitAddress", kN, 0x10, 25, {"00025", "2.5℃", "0x00 0x19", "0x0010"}, 2.5}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tavr
