// Settings written from Home Assistant: a command checked into the raw value to write or a
// refusal, and the write itself on a line to the meter simulator.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "companion/commands/companion_test.h"
#include "companion/meter/meter_link.h"
#include "companion/meter/window_catalogue.h"
#include "companion/publish/setting_command.h"
#include "companion/publish/setting_write.h"
#include "protocol/frame_codec.h"
#include "protocol/read_reply.h"
#include "serial/posix/unique_fd.h"

namespace tavr {
namespace {

using testing::HasSubstr;

TEST(SettingCommandTest, PayloadsBecomeExactRawValuesOrRefusals) {
    struct Case {
        const char* key;
        std::string payload;
        std::optional<std::uint16_t> raw;
        const char* refusal = "";
    };
    const char* notANumber = "not a plain decimal number";
    const Case cases[] = {
        // 0009H, Ah with 1 decimal, at most 1000.0.
        {"capacity_ah", "120", 1200},
        {"capacity_ah", "120.0", 1200},
        {"capacity_ah", "120.00", 1200},
        {"capacity_ah", "120.5", 1205},
        {"capacity_ah", " 120.5\n", 1205},
        {"capacity_ah", "+7", 70},
        {"capacity_ah", "007.5", 75},
        {"capacity_ah", "0.1", 1},
        {"capacity_ah", "0", 0},
        {"capacity_ah", "-0", 0},
        {"capacity_ah", "-0.0", 0},
        {"capacity_ah", "1000.0", 10000},
        {"capacity_ah", "1000.1", std::nullopt, "above the maximum 1000.0 Ah"},
        {"capacity_ah", "6553.6", std::nullopt, "above the maximum 1000.0 Ah"},
        {"capacity_ah", "99999999999999999999999", std::nullopt, "above the maximum"},
        {"capacity_ah", "-1", std::nullopt, "below the minimum 0"},
        {"capacity_ah", "-0.1", std::nullopt, "below the minimum 0"},
        {"capacity_ah", "12.34", std::nullopt, "more decimals than the setting's 1"},
        {"capacity_ah", "0.30000000000000004", std::nullopt, "more decimals"},
        {"capacity_ah", "", std::nullopt, notANumber},
        {"capacity_ah", " ", std::nullopt, notANumber},
        {"capacity_ah", "abc", std::nullopt, notANumber},
        {"capacity_ah", "nan", std::nullopt, notANumber},
        {"capacity_ah", "inf", std::nullopt, notANumber},
        {"capacity_ah", "1e3", std::nullopt, notANumber},
        {"capacity_ah", "12,5", std::nullopt, notANumber},
        {"capacity_ah", "12.", std::nullopt, notANumber},
        {"capacity_ah", ".5", std::nullopt, notANumber},
        {"capacity_ah", "0x10", std::nullopt, notANumber},
        {"capacity_ah", "1 2", std::nullopt, notANumber},
        {"capacity_ah", "+-1", std::nullopt, notANumber},
        {"capacity_ah", "{\"value\": 120}", std::nullopt, notANumber},
        // 0014H, seconds without decimals, at most 65535.
        {"alarm_delay_s", "90", 90},
        {"alarm_delay_s", "90.0", 90},
        {"alarm_delay_s", "65535", 65535},
        {"alarm_delay_s", "90.5", std::nullopt, "whole numbers only"},
        {"alarm_delay_s", "65536", std::nullopt, "above the maximum 65535 s"},
        // 0016H, A with 2 decimals, at most 2.55: no double rounding on the way.
        {"backlight_on_current_a", "0.5", 50},
        {"backlight_on_current_a", "0.3", 30},
        {"backlight_on_current_a", "1.15", 115},
        {"backlight_on_current_a", "2.55", 255},
        {"backlight_on_current_a", "2.56", std::nullopt, "above the maximum 2.55 A"},
        {"backlight_on_current_a", "0.005", std::nullopt, "more decimals than the setting's 2"},
        // 0010H, °C with 1 decimal, at most 125.0.
        {"temperature_high_c", "45.5", 455},
        {"temperature_high_c", "125.1", std::nullopt, "above the maximum 125.0 °C"},
        // Not allowed, or no setting at all, whatever the payload.
        {"voltage_low_v", "10.5", std::nullopt, "--allow-write voltage_low_v"},
        {"device_address", "5", std::nullopt, "no setting that can be written"},
        {"output_mode", "0", std::nullopt, "no setting that can be written"},
        {"Capacity_Ah", "120", std::nullopt, "no setting that can be written"},
        {"", "120", std::nullopt, "no setting that can be written"},
    };
    // Register 0000H in the allowance never makes the device address writable: no key names it.
    const std::vector<std::uint16_t> allowed{0x00, 0x09, 0x10, 0x14, 0x16, 0x1B};
    const RegisterCatalogue catalogue = WindowCatalogue();
    for (const Case& c : cases) {
        const CheckedSettingCommand checked =
            CheckSettingCommand({c.key, c.payload, false}, allowed, catalogue);
        const std::string label = std::string(c.key) + " \"" + c.payload + "\"";
        ASSERT_EQ(checked.write.has_value(), c.raw.has_value()) << label << ": " << checked.refusal;
        if (c.raw) {
            EXPECT_EQ(checked.write->raw, *c.raw) << label;
            EXPECT_EQ(checked.write->key, c.key) << label;
            EXPECT_EQ(checked.write->address, FindWritableSetting(c.key)->address) << label;
            EXPECT_EQ(checked.refusal, "") << label;
        } else {
            EXPECT_THAT(checked.refusal, HasSubstr(c.refusal)) << label;
        }
    }
    // A retained command would be carried out again at every reconnection.
    const CheckedSettingCommand retained =
        CheckSettingCommand({"capacity_ah", "120", true}, allowed, catalogue);
    EXPECT_FALSE(retained.write.has_value());
    EXPECT_THAT(retained.refusal, HasSubstr("retained"));
    EXPECT_FALSE(CheckSettingCommand({"capacity_ah", "120", false}, {}, catalogue).write);
}

// The meter simulator at device address 1 on COM7, reached through the link publish uses.
class SettingWriteTest : public CompanionTest {
  protected:
    void SetUp() override {
        CompanionTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        ConnectionChoice connection;
        connection.port = kSimulatorCom;
        connection.timeout = std::chrono::milliseconds(300);
        ASSERT_TRUE(link_.Open(connection).Succeeded());
    }

    SettingWrite Checked(const char* key, const char* payload) {
        const CheckedSettingCommand checked = CheckSettingCommand(
            {key, payload, false}, ParseWriteAllowance({"all-settings"}, error_).value(),
            WindowCatalogue());
        EXPECT_TRUE(checked.write.has_value()) << checked.refusal;
        return checked.write.value_or(SettingWrite{});
    }

    // The frames of function 06H the meter received, as the hexadecimal bytes it logged.
    std::vector<std::string> WritesReceived() const {
        std::vector<std::string> frames;
        std::istringstream log(FileText(Home() / "meter.log"));
        for (std::string line; std::getline(log, line);) {
            const std::size_t mark = line.find(" rx ");
            if (mark != std::string::npos && line.compare(mark + 7, 2, "06") == 0) {
                frames.push_back(line.substr(mark + 4, line.find(" (", mark + 4) - (mark + 4)));
            }
        }
        return frames;
    }

    MeterLink link_;
    std::string error_;
};

TEST_F(SettingWriteTest, AWriteGoesOutAsOneRequestAndCountsWhenTheMeterReadsItBack) {
    struct Case {
        const char* key;
        const char* payload;
        std::uint16_t address;
        std::uint16_t raw;
        const char* frame;
    };
    const Case cases[] = {
        {"capacity_ah", "120.0", 0x09, 1200, "01 06 00 09 04 B0 5A BC"},
        {"alarm_delay_s", "90", 0x14, 90, "01 06 00 14 00 5A 49 F5"},
        {"backlight_on_current_a", "2.55", 0x16, 255, "01 06 00 16 00 FF 28 4E"},
    };
    for (const Case& c : cases) {
        const SettingWriteOutcome outcome = WriteSetting(link_, 1, Checked(c.key, c.payload));
        EXPECT_TRUE(outcome.sent) << c.key;
        EXPECT_TRUE(outcome.ok) << c.key << ": " << outcome.reason;
        EXPECT_EQ(outcome.reason, "") << c.key;
        ASSERT_TRUE(outcome.readBack.has_value()) << c.key;
        EXPECT_EQ(outcome.readBack->values[c.address], c.raw) << c.key;
        EXPECT_EQ(outcome.readBack->values[0x03], 12345) << c.key;  // a whole, fresh state
        EXPECT_EQ(Get(c.address), c.raw) << c.key;
        ASSERT_FALSE(WritesReceived().empty());
        EXPECT_EQ(WritesReceived().back(), c.frame);
    }
    EXPECT_EQ(WritesReceived().size(), std::size(cases));
    EXPECT_EQ(Received("03"), std::size(cases));
}

TEST_F(SettingWriteTest, AWriteWithoutItsEchoIsNeverClaimedDone) {
    const SettingWrite write = Checked("capacity_ah", "120.0");
    // No meter answers to device ID 9.
    const SettingWriteOutcome silent = WriteSetting(link_, 9, write);
    EXPECT_TRUE(silent.sent);
    EXPECT_FALSE(silent.ok);
    EXPECT_EQ(silent.reason, "no answer to the write of 0009H; it may or may not have been stored");
    EXPECT_FALSE(silent.readBack.has_value());

    // The meter refuses a value above its maximum with an exception.
    SettingWrite tooLarge = write;
    tooLarge.raw = 10001;
    const SettingWriteOutcome refused = WriteSetting(link_, 1, tooLarge);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.reason, "the meter refused the write of 0009H (exception code 3)");

    Control("fault bad-crc");
    const SettingWriteOutcome garbled = WriteSetting(link_, 1, write);
    EXPECT_FALSE(garbled.ok);
    EXPECT_THAT(garbled.reason, HasSubstr("a garbled answer to the write of 0009H"));
    EXPECT_FALSE(garbled.readBack.has_value());
    Control("fault none");
    EXPECT_EQ(Received("03"), 0u);

    // Registers outside the writable settings never reach the line, however the write was made.
    const std::size_t writes = WritesReceived().size();
    for (const std::uint16_t address : {0x00, 0x03, 0x17, 0x19, 0x1A, 0x1B, 0x1C, 0x22}) {
        SettingWrite forbidden = write;
        forbidden.address = address;
        forbidden.raw = 0;
        const SettingWriteOutcome outcome = WriteSetting(link_, 1, forbidden);
        EXPECT_FALSE(outcome.sent) << address;
        EXPECT_FALSE(outcome.ok) << address;
        EXPECT_THAT(outcome.reason, HasSubstr("nothing was sent")) << address;
    }
    EXPECT_EQ(WritesReceived().size(), writes);
    EXPECT_EQ(Get(0x1B), 2);
    EXPECT_EQ(Get(0x00), 1);
    EXPECT_EQ(Get(0x03), 12345);
}

// A meter played by the test on a pseudo-terminal: it echoes the write, then answers the
// read-back with registers of its own choosing, or not at all.
class ScriptedMeter {
  public:
    ScriptedMeter() : master_(posix_openpt(O_RDWR | O_NOCTTY)) {
        if (master_.Get() >= 0 && grantpt(master_.Get()) == 0 && unlockpt(master_.Get()) == 0) {
            slavePath_ = ptsname(master_.Get());
        }
    }

    const std::string& SlavePath() const { return slavePath_; }

    // Echoes one request, then answers the next with `values` unless they are empty.
    std::thread Play(std::vector<std::uint16_t> values) {
        return std::thread([this, values = std::move(values)] {
            const ByteSet write = Request();
            Send(write);
            const ByteSet read = Request();
            if (!values.empty() && read.size() == kRequestLength) {
                Send(BuildReadReply(read[0], values));
            }
        });
    }

  private:
    // One request of 8 bytes, or what came of it within 5 s.
    ByteSet Request() const {
        ByteSet bytes;
        while (bytes.size() < static_cast<std::size_t>(kRequestLength)) {
            pollfd ready{master_.Get(), POLLIN, 0};
            std::uint8_t buffer[kRequestLength];
            if (poll(&ready, 1, 5000) <= 0) {
                break;
            }
            const ssize_t count = read(master_.Get(), buffer, kRequestLength - bytes.size());
            if (count <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + count);
        }
        return bytes;
    }

    void Send(const ByteSet& bytes) const {
        EXPECT_EQ(write(master_.Get(), bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }

    UniqueFd master_;
    std::string slavePath_;
};

TEST(SettingWriteLineTest, AValueTheMeterDidNotKeepIsNoSuccess) {
    const SettingWrite write{"capacity_ah", 0x09, 1200, {1, 10000, "Ah"}};
    std::vector<std::uint16_t> kept(kRegisterCount, 0);
    kept[0x00] = 1;
    kept[0x09] = 1000;
    struct Case {
        std::vector<std::uint16_t> readBack;
        std::string reason;
    };
    const Case cases[] = {
        {kept, "the meter kept 100.0 Ah (0009H = 1000), not the 120.0 Ah written"},
        {{}, "the write was echoed, but no answer to the read-back"},
    };
    for (const Case& c : cases) {
        ScriptedMeter meter;
        ASSERT_FALSE(meter.SlavePath().empty());
        MeterLink link;
        ConnectionChoice connection;
        connection.devicePath = meter.SlavePath();
        connection.timeout = std::chrono::milliseconds(200);
        ASSERT_TRUE(link.Open(connection).Succeeded());
        std::thread playing = meter.Play(c.readBack);
        const SettingWriteOutcome outcome = WriteSetting(link, 1, write);
        playing.join();
        EXPECT_TRUE(outcome.sent);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.reason, c.reason);
        EXPECT_EQ(outcome.readBack.has_value(), !c.readBack.empty());
    }
}

}  // namespace
}  // namespace tavr
