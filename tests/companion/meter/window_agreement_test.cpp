#include <gmock/gmock.h>

#include "companion/meter/reading_formats.h"
#include "companion/meter/window_catalogue.h"
#include "protocol/read_reply.h"
#include "ui/meter_program_test.h"

namespace tavr {
namespace {

// The window's table and `read --format json` are given the same reply; every register's five
// texts in the JSON are the window's cells, byte for byte.
class WindowAgreement : public MeterProgramTest {
  protected:
    void ExpectSameTexts(const RegisterValues& values) {
        Start();
        ClickConnect();
        ClickRead();
        const ByteSet reply = ReplyFrame(values);
        Receive(reply);
        ASSERT_EQ(C().超级列表框1.RowCount(), 35);

        RegisterCatalogue catalogue = WindowCatalogue();
        const RegisterReadings readings =
            DecodeReadings(ParseReadReply(std::span<const std::uint8_t, kReadReplyLength>(
                               reply.data(), kReadReplyLength)),
                           catalogue);
        const nlohmann::ordered_json registers = RegistersJson(readings, catalogue);
        ASSERT_EQ(registers.size(), 35u);
        for (std::int32_t row = 0; row < 35; ++row) {
            const std::vector<Text> cells = Row(row);
            const nlohmann::ordered_json& entry = registers[static_cast<std::size_t>(row)];
            EXPECT_EQ(entry["decimal"], cells[0]) << "row " << row;
            EXPECT_EQ(entry["value"], cells[1]) << "row " << row;
            EXPECT_EQ(entry["hex"], cells[2]) << "row " << row;
            EXPECT_EQ(entry["addressText"], cells[3]) << "row " << row;
            EXPECT_EQ(entry["remark"], cells[4]) << "row " << row;
        }
    }
};

TEST_F(WindowAgreement, JsonShowsTheWindowsTextsForTheSameReply) {
    struct Case {
        const char* what;
        RegisterValues values;
    };
    const Case cases[] = {
        // Main voltage 3 decimals, second 2, current negative with 3; both temperatures
        // negative; 2 min 30 s out of range; a 75 mV shunt; a zero offset below its bias.
        {"negative current and temperatures", Registers({{0x00, 1},
                                                         {0x02, 0x2313},
                                                         {0x03, 12345},
                                                         {0x04, 1500},
                                                         {0x05, 4096 + 52},
                                                         {0x06, 4196},
                                                         {0x07, 755},
                                                         {0x0B, 9999},
                                                         {0x14, 150},
                                                         {0x15, 65535},
                                                         {0x18, 750},
                                                         {0x19, 42},
                                                         {0x1E, 4800},
                                                         {0x22, 7}})},
        {"positive current, no voltage decimals", Registers({{0x00, 50},
                                                             {0x02, 0x0002},
                                                             {0x03, 48},
                                                             {0x04, 2000},
                                                             {0x05, 250},
                                                             {0x14, 59},
                                                             {0x19, 180},
                                                             {0x1B, 2}})},
        {"all ones",
         [] {
             RegisterValues values;
             values.fill(0xFFFF);
             return values;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectSameTexts(c.values);
    }
}

}  // namespace
}  // namespace tavr
