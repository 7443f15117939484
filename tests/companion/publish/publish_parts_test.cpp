// The parts of publish that need no broker: the broker address, the payloads, the outage queue,
// a meter's availability and the stable name of its port.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "companion/meter/window_catalogue.h"
#include "companion/publish/broker_url.h"
#include "companion/publish/meter_availability.h"
#include "companion/publish/mqtt_payloads.h"
#include "companion/publish/outage_queue.h"
#include "companion/publish/setting_command_result.h"
#include "companion/publish/stable_port_name.h"
#include "companion/publish/writable_settings.h"
#include "protocol/read_reply.h"

namespace tavr {
namespace {

using nlohmann::json;

TEST(BrokerUrlTest, SchemesHostsAndPortsAreReadAndLoopbackIsKnown) {
    struct Case {
        std::string text;
        bool valid;
        bool tls = false;
        std::string host = "";
        int port = 0;
        bool loopback = false;
    };
    const Case cases[] = {
        {"mqtt://broker.lan", true, false, "broker.lan", 1883, false},
        {"mqtts://broker.lan", true, true, "broker.lan", 8883, false},
        {"mqtt://broker.lan:1884/", true, false, "broker.lan", 1884, false},
        {"mqtt://127.0.0.1:1", true, false, "127.0.0.1", 1, true},
        {"mqtt://127.8.9.10", true, false, "127.8.9.10", 1883, true},
        {"mqtt://localhost", true, false, "localhost", 1883, true},
        {"mqtts://[::1]:8884", true, true, "::1", 8884, true},
        {"mqtt://[fe80::1]", true, false, "fe80::1", 1883, false},
        {"mqtt://128.0.0.1", true, false, "128.0.0.1", 1883, false},
        {"mqtt://localhost.example.org", true, false, "localhost.example.org", 1883, false},
        {"tcp://broker.lan", false},
        {"broker.lan", false},
        {"mqtt://", false},
        {"mqtt://broker:", false},
        {"mqtt://broker:65536", false},
        {"mqtt://broker:12ab", false},
        {"mqtt://me@broker", false},
        {"mqtt://broker/topic", false},
        {"mqtt://[::1]x", false},
        {"mqtt://[::1]:", false},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto url = ParseBrokerUrl(c.text, error);
        ASSERT_EQ(url.has_value(), c.valid) << c.text;
        if (!url) {
            EXPECT_NE(error, "") << c.text;
            continue;
        }
        EXPECT_EQ(url->tls, c.tls) << c.text;
        EXPECT_EQ(url->host, c.host) << c.text;
        EXPECT_EQ(url->port, c.port) << c.text;
        EXPECT_EQ(url->IsLoopback(), c.loopback) << c.text;
        EXPECT_EQ(ParseBrokerUrl(url->Text(), error)->host, c.host) << c.text;
    }
}

RegisterReadings Decoded(std::vector<std::uint16_t> changes) {
    // The simulator's battery: 12.345 V, 15.000 A, 25.0 and -5.0 degrees, 75.0 Ah, 1234 Wh.
    std::vector<std::uint16_t> values(kRegisterCount, 0);
    values[0x00] = 3;
    values[0x02] = 0x2303;
    values[0x03] = 12345;
    values[0x04] = 15000;
    values[0x05] = 250;
    values[0x06] = 4146;
    values[0x07] = 750;
    values[0x08] = 1234;
    values[0x0B] = 7500;
    values[0x1E] = 5400;
    values[0x22] = 7;
    for (std::size_t k = 0; k + 1 < changes.size(); k += 2) {
        values[changes[k]] = changes[k + 1];
    }
    const ByteSet bytes = BuildReadReply(3, values);
    RegisterCatalogue catalogue = WindowCatalogue();
    return DecodeReadings(ParseReadReply(std::span<const std::uint8_t, kReadReplyLength>(
                              bytes.data(), kReadReplyLength)),
                          catalogue);
}

TEST(MqttPayloadsTest, StateHoldsTheMeasurementsInTheirUnitsAndTheComputedPower) {
    struct Case {
        std::vector<std::uint16_t> changes;
        const char* key;
        json expected;
    };
    const Case cases[] = {
        {{}, "time", "2026-12-07T23:45:26.799+00:00"},
        {{}, "voltage_v", 12.345},
        {{}, "current_a", 15.0},
        {{}, "temperature_c", 25.0},
        {{}, "temperature2_c", -5.0},
        {{}, "remaining_ah", 75.0},
        {{}, "energy_wh", 1234.0},
        {{}, "voltage2_v", 54.0},
        {{}, "cycle_count", 7.0},
        {{}, "computed_power_w", 185.175},
        // A charging current (the sign flag in 0002H) makes a negative power.
        {{0x02, 0x2313}, "current_a", -15.0},
        {{0x02, 0x2313}, "computed_power_w", -185.175},
        {{0x03, 0, 0x04, 0}, "computed_power_w", 0.0},
    };
    for (const Case& c : cases) {
        const json state =
            json::parse(StatePayload("2026-12-07T23:45:26.799+00:00", Decoded(c.changes)));
        EXPECT_EQ(state[c.key], c.expected) << c.key;
        EXPECT_EQ(state.size(), 1 + StateQuantities().size());
    }
}

// The settings Home Assistant may write follow the measurements, in their units, so its number
// entities read them from the same state; the measurements keep their keys.
TEST(MqttPayloadsTest, StateCarriesTheWritableSettingsThatAreAllowed) {
    const RegisterReadings readings = Decoded({0x09, 1205, 0x14, 150, 0x16, 50, 0x10, 455});
    const std::string time = "2026-12-07T23:45:26.799+00:00";
    const json plain = json::parse(StatePayload(time, readings));
    const json state = json::parse(StatePayload(time, readings, {0x09, 0x10, 0x14, 0x16, 0x1B}));
    EXPECT_EQ(state["capacity_ah"], 120.5);
    EXPECT_EQ(state["temperature_high_c"], 45.5);
    EXPECT_EQ(state["alarm_delay_s"], 150.0);
    EXPECT_EQ(state["backlight_on_current_a"], 0.5);
    EXPECT_EQ(state.size(), plain.size() + 4);  // 001BH is no writable setting
    for (const auto& [key, value] : plain.items()) {
        EXPECT_EQ(state[key], value) << key;
    }
    EXPECT_NE(StatePayload(time, readings, {0x09}).find("\"capacity_ah\":120.5}"),
              std::string::npos);
}

TEST(MqttPayloadsTest, DiscoveryGivesOneRetainedConfigPerMeasurement) {
    TopicPlan plan;
    plan.prefix = "site/bank 1";
    MeterPlace meter{"COM4", "", false, 12};
    RegisterCatalogue catalogue = WindowCatalogue();
    const DiscoveryDetails details{DisplayPrecision(catalogue), std::chrono::seconds(15)};
    const std::vector<MqttMessage> messages = DiscoveryMessages(plan, meter, details);
    ASSERT_EQ(messages.size(), StateQuantities().size());
    for (std::size_t k = 0; k < messages.size(); ++k) {
        const StateQuantity& quantity = StateQuantities()[k];
        const json config = json::parse(messages[k].payload);
        const std::string unique = std::string("site_bank_1_com4_id12_") + quantity.key;
        EXPECT_EQ(messages[k].topic, "homeassistant/sensor/" + unique + "/config");
        EXPECT_TRUE(messages[k].retained);
        EXPECT_EQ(config["unique_id"], unique);
        EXPECT_EQ(config["state_topic"], "site/bank 1/12/state");
        EXPECT_EQ(config["availability"][0]["topic"], "site/bank 1/12/availability");
        EXPECT_EQ(config["device"]["identifiers"][0], "site_bank_1_com4_id12");
        EXPECT_EQ(config.contains("unit_of_measurement"), quantity.unit != nullptr);
        EXPECT_EQ(config.contains("device_class"), quantity.deviceClass != nullptr);
        EXPECT_EQ(config["device"]["via_device"], "site_bank_1_gateway");
        EXPECT_EQ(config["device"]["model"], "TAVR_12864");
        EXPECT_EQ(config["o"]["sw"], TAVR_VERSION);
        EXPECT_EQ(config["expire_after"], 15);
        EXPECT_EQ(config["suggested_display_precision"], details.precision[k]);
        EXPECT_EQ(config.value("entity_category", ""),
                  quantity.place == QuantityPlace::Diagnostic ? "diagnostic" : "")
            << quantity.key;
        EXPECT_EQ(config.value("enabled_by_default", true),
                  quantity.place != QuantityPlace::Disabled)
            << quantity.key;
    }
    // The energy counter stays fit for the Energy dashboard.
    const json energy = json::parse(messages[5].payload);
    EXPECT_EQ(energy["device_class"], "energy");
    EXPECT_EQ(energy["unit_of_measurement"], "Wh");
    EXPECT_EQ(energy["state_class"], "total_increasing");
    const json power = json::parse(messages.back().payload);
    EXPECT_EQ(power["name"], "Power (computed)");
    EXPECT_EQ(power["device_class"], "power");
    EXPECT_EQ(power["unit_of_measurement"], "W");
    EXPECT_EQ(json::parse(messages[2].payload)["unit_of_measurement"], "°C");
    // A device path, a named line, and a gateway of several lines whose topics name the line.
    struct PlaceCase {
        MeterPlace meter;
        const char* device;
        const char* name;
        const char* stateTopic;
    };
    const std::vector<PlaceCase> places{
        {{"/dev/serial/by-id/usb-RS485", "", false, 12},
         "site_bank_1_dev_serial_by-id_usb-rs485_id12",
         "TAVR_12864 12 on /dev/serial/by-id/usb-RS485",
         "site/bank 1/12/state"},
        {{"/dev/ttyUSB0", "Battery-Room", false, 3},
         "site_bank_1_battery-room_id3",
         "TAVR_12864 3 on Battery-Room",
         "site/bank 1/3/state"},
        {{"/dev/ttyUSB0", "battery-room", true, 3},
         "site_bank_1_battery-room_id3",
         "TAVR_12864 3 on battery-room",
         "site/bank 1/battery-room/3/state"},
        {{"/dev/ttyUSB1", "", true, 3},
         "site_bank_1_dev_ttyusb1_id3",
         "TAVR_12864 3 on /dev/ttyUSB1",
         "site/bank 1/dev_ttyUSB1/3/state"},
    };
    for (const PlaceCase& place : places) {
        const json config = json::parse(DiscoveryMessages(plan, place.meter, details)[0].payload);
        EXPECT_EQ(config["device"]["identifiers"][0], place.device);
        EXPECT_EQ(config["device"]["name"], place.name);
        EXPECT_EQ(config["state_topic"], place.stateTopic);
        EXPECT_EQ(plan.StateTopic(place.meter), place.stateTopic);
    }

    const std::optional<MqttMessage> gateway = GatewayDiscoveryMessage(plan);
    ASSERT_TRUE(gateway.has_value());
    EXPECT_EQ(gateway->topic, "homeassistant/binary_sensor/site_bank_1_gateway/config");
    EXPECT_TRUE(gateway->retained);
    const json gatewayConfig = json::parse(gateway->payload);
    EXPECT_EQ(gatewayConfig["state_topic"], "site/bank 1/availability");
    EXPECT_EQ(gatewayConfig["device_class"], "connectivity");
    EXPECT_EQ(gatewayConfig["device"]["identifiers"][0], "site_bank_1_gateway");
    EXPECT_EQ(gatewayConfig["device"]["sw_version"], TAVR_VERSION);
    EXPECT_EQ(plan.BirthTopic(), "homeassistant/status");

    plan.discoveryPrefix.reset();
    EXPECT_TRUE(DiscoveryMessages(plan, meter, details).empty());
    EXPECT_FALSE(GatewayDiscoveryMessage(plan).has_value());
    EXPECT_FALSE(plan.BirthTopic().has_value());
}

TEST(MqttPayloadsTest, SettingCommandsHaveATopicPerMeterAndKey) {
    TopicPlan plan;
    const MeterPlace single{"COM7", "", false, 3};
    const MeterPlace named{"/dev/ttyUSB0", "bank-a", true, 3};
    EXPECT_EQ(plan.SettingCommandTopic(single, "capacity_ah"), "tavr12864/3/set/capacity_ah");
    EXPECT_EQ(plan.SettingCommandFilter(single), "tavr12864/3/set/+");
    EXPECT_EQ(plan.WriteResultTopic(single), "tavr12864/3/write_result");
    EXPECT_EQ(plan.SettingCommandTopic(named, "capacity_ah"), "tavr12864/bank-a/3/set/capacity_ah");
    EXPECT_EQ(plan.SettingCommandFilter(named), "tavr12864/bank-a/3/set/+");
    EXPECT_EQ(plan.WriteResultTopic(named), "tavr12864/bank-a/3/write_result");
    struct Case {
        MeterPlace meter;
        std::string topic;
        std::optional<std::string> key;
    };
    const std::vector<Case> cases{
        {single, "tavr12864/3/set/capacity_ah", "capacity_ah"},
        {single, "tavr12864/3/set/anything", "anything"},
        {single, "tavr12864/3/set/", std::nullopt},
        {single, "tavr12864/3/set/capacity_ah/x", std::nullopt},
        {single, "tavr12864/33/set/capacity_ah", std::nullopt},
        {single, "tavr12864/3/state", std::nullopt},
        {single, "tavr12864/bank-a/3/set/capacity_ah", std::nullopt},
        {named, "tavr12864/bank-a/3/set/capacity_ah", "capacity_ah"},
        {named, "tavr12864/3/set/capacity_ah", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(plan.SettingKeyOf(c.meter, c.topic), c.key) << c.topic;
    }
}

// Each allowed setting becomes a number entity among the device's configuration, after the
// sensors, whose ids stay as they were.
TEST(MqttPayloadsTest, DiscoveryGivesANumberEntityPerAllowedSetting) {
    TopicPlan plan;
    const MeterPlace meter{"COM7", "", false, 3};
    DiscoveryDetails details{DisplayPrecision(WindowCatalogue()), std::chrono::seconds(10), {}};
    const std::vector<MqttMessage> sensors = DiscoveryMessages(plan, meter, details);
    details.writable = {0x09, 0x10, 0x14, 0x16};
    const std::vector<MqttMessage> messages = DiscoveryMessages(plan, meter, details);
    ASSERT_EQ(messages.size(), sensors.size() + 4);
    EXPECT_TRUE(std::equal(sensors.begin(), sensors.end(), messages.begin()));
    struct Case {
        const char* key;
        const char* name;
        json max;
        json step;
        const char* unit;
    };
    const Case cases[] = {
        {"capacity_ah", "Battery capacity", 1000.0, 0.1, "Ah"},
        {"temperature_high_c", "Temperature upper limit", 125.0, 0.1, "°C"},
        {"alarm_delay_s", "Time allowed outside the limits", 65535, 1, "s"},
        {"backlight_on_current_a", "Backlight-on discharge current", 2.55, 0.01, "A"},
    };
    const json sensor = json::parse(sensors.front().payload);
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const Case& c = cases[k];
        const MqttMessage& message = messages[sensors.size() + k];
        const std::string unique = std::string("tavr12864_com7_id3_") + c.key;
        EXPECT_EQ(message.topic, "homeassistant/number/" + unique + "/config");
        EXPECT_TRUE(message.retained);
        const json config = json::parse(message.payload);
        EXPECT_EQ(config["name"], c.name);
        EXPECT_EQ(config["unique_id"], unique);
        EXPECT_EQ(config["command_topic"], std::string("tavr12864/3/set/") + c.key);
        EXPECT_EQ(config["state_topic"], "tavr12864/3/state");
        EXPECT_EQ(config["value_template"], std::string("{{ value_json.") + c.key + " }}");
        EXPECT_EQ(config["min"], 0);
        EXPECT_EQ(config["max"], c.max) << c.key;
        EXPECT_EQ(config["step"], c.step) << c.key;
        EXPECT_EQ(config["unit_of_measurement"], c.unit);
        EXPECT_EQ(config["mode"], "box");
        EXPECT_EQ(config["entity_category"], "config");
        EXPECT_EQ(config["device"], sensor["device"]);
        EXPECT_EQ(config["availability"], sensor["availability"]);
        EXPECT_EQ(config["availability_mode"], "all");
        EXPECT_EQ(config["o"], sensor["o"]);
        EXPECT_FALSE(config.contains("expire_after"));
    }
    EXPECT_NE(messages[sensors.size()].payload.find("\"max\":1000.0,\"step\":0.1,"),
              std::string::npos);
    // With several lines the command topic names the line; without discovery there is none.
    const MeterPlace onLine{"/dev/ttyUSB0", "bank-a", true, 3};
    EXPECT_EQ(json::parse(DiscoveryMessages(plan, onLine, details).back().payload)["command_topic"],
              "tavr12864/bank-a/3/set/backlight_on_current_a");
    details.writable = {0x00, 0x1B};  // no writable setting among them
    EXPECT_EQ(DiscoveryMessages(plan, meter, details), sensors);
    plan.discoveryPrefix.reset();
    details.writable = {0x09};
    EXPECT_TRUE(DiscoveryMessages(plan, meter, details).empty());
}

TEST(SettingCommandResultTest, ResultsSayWhatWasWrittenAndWhy) {
    const TopicPlan plan;
    const MeterPlace meter{"COM7", "", false, 3};
    const SettingWrite write{"capacity_ah", 0x09, 1200, {1, 10000, "Ah"}};
    const SettingCommand command{"capacity_ah", "120", false};
    struct Case {
        SettingCommandResult result;
        json payload;
        std::string log;
    };
    const Case cases[] = {
        {WrittenResult(command, write, {true, true, "", std::nullopt}),
         {{"key", "capacity_ah"},
          {"requested", "120"},
          {"written_raw", 1200},
          {"ok", true},
          {"reason", ""}},
         "device 3 on COM7: capacity_ah set to 120.0 Ah (0009H = 1200)"},
        {WrittenResult(command, write, {true, false, "no answer to the write", std::nullopt}),
         {{"key", "capacity_ah"},
          {"requested", "120"},
          {"written_raw", 1200},
          {"ok", false},
          {"reason", "no answer to the write"}},
         "device 3 on COM7: capacity_ah not set to 120.0 Ah (0009H = 1200): no answer to the "
         "write"},
        {WrittenResult(command, write, {false, false, "nothing was sent", std::nullopt}),
         {{"key", "capacity_ah"},
          {"requested", "120"},
          {"written_raw", nullptr},
          {"ok", false},
          {"reason", "nothing was sent"}},
         "device 3 on COM7: capacity_ah \"120\" refused: nothing was sent"},
        {RefusedResult({"capacity_ah", "abc\n<6>forged", false}, "not a number"),
         {{"key", "capacity_ah"},
          {"requested", "abc\n<6>forged"},
          {"written_raw", nullptr},
          {"ok", false},
          {"reason", "not a number"}},
         "device 3 on COM7: capacity_ah \"abc?<6>forged\" refused: not a number"},
    };
    for (const Case& c : cases) {
        const MqttMessage message = WriteResultMessage(plan, meter, c.result);
        EXPECT_EQ(message.topic, "tavr12864/3/write_result");
        EXPECT_FALSE(message.retained);
        EXPECT_EQ(json::parse(message.payload), c.payload) << message.payload;
        EXPECT_EQ(WriteResultLogLine(meter, c.result), c.log);
    }
    // A payload that is no UTF-8, or too long, still makes a result.
    const std::string odd = "\xff\xfe" + std::string(500, '9');
    const json payload = json::parse(
        WriteResultMessage(plan, meter, RefusedResult({"capacity_ah", odd}, "x")).payload);
    EXPECT_EQ(payload["requested"].get<std::string>().substr(0, 6), "\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_LT(payload["requested"].get<std::string>().size(), 80u);
    EXPECT_LT(WriteResultLogLine(meter, RefusedResult({"capacity_ah", odd}, "x")).size(), 120u);
}

// The window's catalogue shows voltages and currents with 2 decimals until a reply's 0002H says
// the meter's own; the computed power shows both together, to the milliwatt at most.
TEST(MqttPayloadsTest, DisplayPrecisionFollowsTheMetersOwnDecimals) {
    using P = std::vector<std::optional<int>>;
    //                  V  A  °C °C2 Ah Wh %  V2 cycles W
    const P window{2, 2, 1, 1, 1, 0, 2, 1, 0, 3};
    const P answered{3, 3, 1, 1, 1, 0, 2, 2, 0, 3};
    const P coarse{1, 0, 1, 1, 1, 0, 2, 0, 0, 1};
    RegisterCatalogue catalogue = WindowCatalogue();
    EXPECT_EQ(DisplayPrecision(catalogue), window);
    const auto decode = [&catalogue](std::uint16_t decimals) {
        std::vector<std::uint16_t> values(kRegisterCount, 0);
        values[0x02] = decimals;
        const ByteSet bytes = BuildReadReply(1, values);
        DecodeReadings(ParseReadReply(std::span<const std::uint8_t, kReadReplyLength>(
                           bytes.data(), kReadReplyLength)),
                       catalogue);
        return DisplayPrecision(catalogue);
    };
    EXPECT_EQ(decode(0x2303), answered);
    EXPECT_EQ(decode(0x0100), coarse);
}

TEST(MqttPayloadsTest, ValuesExpireAfterThreePollPeriodsAndNeverUnderTenSeconds) {
    using std::chrono::milliseconds;
    using std::chrono::seconds;
    const std::pair<milliseconds, seconds> cases[] = {
        {milliseconds(200), seconds(10)},     {milliseconds(1000), seconds(10)},
        {milliseconds(3400), seconds(11)},    {milliseconds(4500), seconds(14)},
        {milliseconds(60'000), seconds(180)},
    };
    for (const auto& [every, expiry] : cases) {
        EXPECT_EQ(ExpireAfter(every), expiry) << every.count();
    }
}

MqttMessage Numbered(int n) {
    return {"t", std::to_string(n), false};
}

TEST(OutageQueueTest, MessagesGoOutInOrderAndTheOldestWaitingGiveWayWhenFull) {
    OutageQueue queue(4);
    for (int n = 1; n <= 3; ++n) {
        queue.Push(Numbered(n));
    }
    queue.MarkHanded(101);  // 1 in flight
    for (int n = 4; n <= 7; ++n) {
        queue.Push(Numbered(n));  // 5, 6 and 7 push out 2, 3 and 4; 1 is in flight
    }
    EXPECT_EQ(queue.Size(), 4u);
    EXPECT_EQ(queue.Dropped(), 3u);
    EXPECT_EQ(queue.NextWaiting()->payload, "5");
    queue.MarkHanded(102);
    EXPECT_EQ(queue.NextWaiting()->payload, "6");
    EXPECT_FALSE(queue.Acknowledge(999));
    EXPECT_TRUE(queue.Acknowledge(102));  // acknowledgements may come out of order
    EXPECT_TRUE(queue.Acknowledge(101));
    EXPECT_FALSE(queue.Acknowledge(101));
    EXPECT_EQ(queue.Handed(), 0u);
    EXPECT_EQ(queue.NextWaiting()->payload, "6");
    queue.MarkHanded(103);
    queue.MarkHanded(104);
    EXPECT_EQ(queue.NextWaiting(), nullptr);
    queue.MarkHanded(105);  // nothing waits: nothing happens
    EXPECT_EQ(queue.Handed(), 2u);
    // A new client never acknowledges the old one's ids: the messages go out again, in order.
    queue.ReturnHanded();
    EXPECT_EQ(queue.Handed(), 0u);
    EXPECT_FALSE(queue.Acknowledge(103));
    EXPECT_EQ(queue.NextWaiting()->payload, "6");
    EXPECT_EQ(queue.Size(), 2u);
}

TEST(OutageQueueTest, AQueueAllInFlightDropsTheNewcomer) {
    OutageQueue queue(2);
    queue.Push(Numbered(1));
    queue.Push(Numbered(2));
    queue.MarkHanded(1);
    queue.MarkHanded(2);
    queue.Push(Numbered(3));
    EXPECT_EQ(queue.Size(), 2u);
    EXPECT_EQ(queue.Dropped(), 1u);
    EXPECT_EQ(queue.NextWaiting(), nullptr);
}

TEST(MeterAvailabilityTest, OnlineAtTheFirstAnswerOfflineAfterThreeSilentCycles) {
    struct Case {
        std::vector<bool> cycles;
        std::vector<std::optional<bool>> changes;
    };
    const std::optional<bool> none;
    const Case cases[] = {
        {{true, true}, {true, none}},
        {{false, false, false, false}, {none, none, false, none}},
        {{true, false, false, false, true}, {true, none, none, false, true}},
        {{true, false, false, true, false, false}, {true, none, none, none, none, none}},
        {{false, true}, {none, true}},
    };
    for (const Case& c : cases) {
        MeterAvailability availability;
        for (std::size_t k = 0; k < c.cycles.size(); ++k) {
            EXPECT_EQ(availability.Record(c.cycles[k]), c.changes[k]) << k;
        }
    }
}

// An adapter's device path becomes the link that names it by maker and serial number; other
// ports stay as they are.
TEST(StablePortNameTest, DevicePathsBecomeTheirByIdLinks) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tavr-by-id-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "by-id");
    std::ofstream(folder / "ttyUSB3") << "";
    std::ofstream(folder / "ttyUSB4") << "";
    const std::filesystem::path link = folder / "by-id" / "usb-FTDI_FT232R_A10KXYZ-if00-port0";
    std::filesystem::create_symlink("../ttyUSB3", link);
    struct Case {
        std::string port;
        std::string stable;
    };
    const Case cases[] = {
        {(folder / "ttyUSB3").string(), link.string()},
        {(folder / "ttyUSB4").string(), (folder / "ttyUSB4").string()},
        {link.string(), link.string()},
        {(folder / "absent").string(), (folder / "absent").string()},
        {"COM7", "COM7"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StablePortName(c.port, folder / "by-id"), c.stable) << c.port;
    }
    std::filesystem::remove_all(folder);
}

TEST(WritableSettingsTest, AllowanceNamesSettingsOnlyAndNeverTheAddressModeOrCalibrations) {
    struct Case {
        std::vector<std::string> keys;
        std::optional<std::vector<std::uint16_t>> allowed;
    };
    const std::vector<std::uint16_t> every{0x09, 0x0A, 0x0C, 0x0D, 0x0E, 0x0F, 0x10,
                                           0x11, 0x12, 0x13, 0x14, 0x15, 0x16};
    const std::vector<Case> cases{
        {{}, std::vector<std::uint16_t>{}},
        {{"capacity_ah"}, std::vector<std::uint16_t>{0x09}},
        {{"voltage_low_v", "capacity_ah", "voltage_low_v"}, std::vector<std::uint16_t>{0x09, 0x0D}},
        {{"all-settings"}, every},
        {{"capacity_ah", "all-settings"}, every},
        {{"device_address"}, std::nullopt},
        {{"capacity_ah", "Capacity_Ah"}, std::nullopt},
        {{""}, std::nullopt},
    };
    for (const Case& test : cases) {
        std::string error;
        EXPECT_EQ(ParseWriteAllowance(test.keys, error), test.allowed)
            << testing::PrintToString(test.keys);
        EXPECT_EQ(error.empty(), test.allowed.has_value()) << error;
    }
    for (const WritableSetting& setting : WritableSettings()) {
        for (const std::uint16_t forbidden : {0x00, 0x17, 0x19, 0x1A, 0x1B}) {
            EXPECT_NE(setting.address, forbidden) << setting.key;
        }
        EXPECT_EQ(FindWritableSetting(setting.key), &setting);
        EXPECT_EQ(WritableSettingAt(setting.address), &setting);
    }
    for (std::uint16_t address = 0; address < kRegisterCount; ++address) {
        const bool setting = (address >= 0x09 && address <= 0x16 && address != 0x0B);
        EXPECT_EQ(WritableSettingAt(address) != nullptr, setting) << address;
    }
}

// A setting's scale comes from the register list, and the meter's own decimals (0002H) never
// change it.
TEST(WritableSettingsTest, ScalesComeFromTheRegisterListWhateverTheMetersDecimals) {
    struct Case {
        const char* key;
        int decimals;
        std::uint16_t maximum;
        const char* unit;
        std::uint16_t raw;
        const char* shown;
    };
    const Case cases[] = {
        {"capacity_ah", 1, 10000, "Ah", 1200, "120.0 Ah"},
        {"full_reset_voltage_v", 1, 1000, "V", 5, "0.5 V"},
        {"voltage_high_v", 1, 10000, "V", 146, "14.6 V"},
        {"voltage_low_v", 1, 10000, "V", 105, "10.5 V"},
        {"current_high_a", 1, 10000, "A", 0, "0.0 A"},
        {"current_low_a", 1, 10000, "A", 10000, "1000.0 A"},
        {"temperature_high_c", 1, 1250, "°C", 600, "60.0 °C"},
        {"temperature_low_c", 1, 1250, "°C", 0, "0.0 °C"},
        {"temperature2_high_c", 1, 1250, "°C", 1250, "125.0 °C"},
        {"temperature2_low_c", 1, 1250, "°C", 1, "0.1 °C"},
        {"alarm_delay_s", 0, 65535, "s", 150, "150 s"},
        {"backlight_off_s", 0, 65535, "s", 0, "0 s"},
        {"backlight_on_current_a", 2, 255, "A", 5, "0.05 A"},
    };
    ASSERT_EQ(std::size(cases), WritableSettings().size());
    RegisterCatalogue catalogue = WindowCatalogue();
    for (const std::uint16_t decimalFlags : {0x0000, 0x2303, 0x3313, 0xFFFF}) {
        std::vector<std::uint16_t> values(kRegisterCount, 0);
        values[0x02] = decimalFlags;
        const ByteSet bytes = BuildReadReply(1, values);
        DecodeReadings(ParseReadReply(std::span<const std::uint8_t, kReadReplyLength>(
                           bytes.data(), kReadReplyLength)),
                       catalogue);
        for (const Case& c : cases) {
            const std::optional<SettingScale> scale =
                ScaleOf(FindWritableSetting(c.key)->address, catalogue);
            ASSERT_TRUE(scale.has_value()) << c.key;
            EXPECT_EQ(scale->decimals, c.decimals) << c.key;
            EXPECT_EQ(scale->maximumRaw, c.maximum) << c.key;
            EXPECT_EQ(scale->unit, c.unit) << c.key;
            EXPECT_EQ(scale->ValueWithUnit(c.raw), c.shown) << c.key;
        }
    }
    RegisterCatalogue broken = WindowCatalogue();
    broken.SetDecimals(0x09, "x");
    EXPECT_FALSE(ScaleOf(0x09, broken).has_value());
}

}  // namespace
}  // namespace tavr
