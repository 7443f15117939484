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
    }
}

}  // namespace
}  // namespace tavr
