// publish against real Mosquitto brokers on 127.0.0.1 and the simulator's bus on a
// pseudo-terminal. Every wait is bounded; the runs are a few seconds of real time because the
// meters' time-outs and the broker's restart take real time.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "companion/commands/companion.h"
#include "companion/platform/posix/notify_socket.h"
#include "companion/platform/test_interrupt.h"
#include "companion/plot/run_plot.h"
#include "companion/publish/mqtt_client.h"
#include "mqtt_broker.h"
#include "settings/config_home_test.h"
#include "simulator_process/simulator_process.h"

namespace tavr {
namespace {

using nlohmann::json;
using testing::HasSubstr;

constexpr int kSimulatorCom = 7;
constexpr const char* kPassword = "s3cret-Passw0rd";

struct PublishRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

PublishRun RunPublish(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"publish", "--port", std::to_string(kSimulatorCom)});
    std::ostringstream out;
    std::ostringstream err;
    Console console{out, err, false};
    PublishRun run;
    run.exitCode = RunCompanion(arguments, console, DrawRunPlot);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// "device 1: 7 readings" in the summary.
int Readings(const std::string& err, int deviceId) {
    std::smatch match;
    const std::regex pattern("device " + std::to_string(deviceId) + ": ([0-9]+) readings");
    return std::regex_search(err, match, pattern) ? std::stoi(match[1]) : -1;
}

// The payloads on `topic`, in the order received.
std::vector<std::string> Payloads(const MqttSubscriber& subscriber, const std::string& topic) {
    std::vector<std::string> texts;
    for (const auto& message : subscriber.On(topic)) {
        texts.push_back(message.payload);
    }
    return texts;
}

// The frames of `function` ("06") the simulator received, as the hexadecimal bytes it logged.
std::vector<std::string> FramesOfFunction(const std::filesystem::path& log,
                                          const std::string& function) {
    std::vector<std::string> frames;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        const std::size_t mark = line.find(" rx ");
        if (mark != std::string::npos && line.compare(mark + 7, 2, function) == 0) {
            frames.push_back(line.substr(mark + 4, line.find(" (", mark + 4) - (mark + 4)));
        }
    }
    return frames;
}

// A gateway run on a thread of its own, as systemd runs it: its standard error the journal,
// ended by Ctrl+C, its configuration read again on a hang-up signal.
class GatewayRun {
  public:
    struct Ended {
        int exitCode = -1;
        std::string err;
    };

    explicit GatewayRun(std::vector<std::string> arguments)
        : thread_([this, arguments = std::move(arguments)] {
              std::ostringstream out;
              Console console{
                  out, err_, false, false, interrupt_.Handle(), reload_.Handle(), &hangUpReloads_};
              exitCode_ = RunCompanion(arguments, console, DrawRunPlot);
          }) {}
    ~GatewayRun() { Interrupt(); }
    GatewayRun(const GatewayRun&) = delete;
    GatewayRun& operator=(const GatewayRun&) = delete;

    void Reload() { reload_.Signal(); }

    Ended Interrupt() {
        if (thread_.joinable()) {
            interrupt_.Signal();
            thread_.join();
        }
        return {exitCode_, err_.str()};
    }

  private:
    TestInterrupt interrupt_;
    TestInterrupt reload_;
    std::atomic<bool> hangUpReloads_{false};
    std::ostringstream err_;
    int exitCode_ = -1;
    std::thread thread_;
};

// Meters 1, 2 and 3 on COM7, frozen: 2 never answers and 3 answers with a wrong checksum.
class PublishTest : public ConfigHomeTest {
  protected:
    void StartBus(std::vector<std::string> bus = {"--bus", "1-3", "--silent", "2", "--garbled",
                                                  "3"}) {
        bus.insert(bus.begin(), {"--com", std::to_string(kSimulatorCom), "--frozen"});
        simulator_ = std::make_unique<SimulatorProcess>(TAVR_METER_SIM_PATH, Home(), bus);
        ASSERT_TRUE(simulator_->Started());
        ASSERT_TRUE(simulator_->WaitForLine("ready ").has_value());
    }

    std::filesystem::path Folder(const std::string& name) {
        const std::filesystem::path folder = Home() / name;
        std::filesystem::create_directories(folder);
        return folder;
    }

    std::string PasswordFile(mode_t mode) {
        const std::filesystem::path file = Home() / "password";
        std::ofstream(file) << kPassword << "\n";
        chmod(file.c_str(), mode);
        return file.string();
    }

    // A gateway's configuration on the local broker: one line per name, COM7, COM8, ... each
    // with meter 1 polled every half second. Written again when it exists.
    std::string GatewayFile(const std::string& name, int brokerPort,
                            const std::vector<std::string>& lines) {
        const std::filesystem::path file = Home() / name;
        std::ofstream config(file);
        config << "[broker]\nurl = \"mqtt://127.0.0.1:" << brokerPort << "\"\n";
        for (std::size_t k = 0; k < lines.size(); ++k) {
            config << "\n[[line]]\nport = " << kSimulatorCom + static_cast<int>(k)
                   << "\nids = \"1\"\nevery = \"0.5s\"\nname = \"" << lines[k] << "\"\n";
        }
        return file.string();
    }

    // A second line, COM8, with meter 1 frozen: the gateway's line B.
    void StartLineB() {
        lineB_ = std::make_unique<SimulatorProcess>(
            TAVR_METER_SIM_PATH, Home(),
            std::vector<std::string>{"--com", "8", "--frozen", "--address", "1"});
        ASSERT_TRUE(lineB_->Started());
        ASSERT_TRUE(lineB_->WaitForLine("ready ").has_value());
    }

    void TearDown() override {
        lineB_.reset();
        simulator_.reset();
        ConfigHomeTest::TearDown();
    }

    std::unique_ptr<SimulatorProcess> lineB_;

  private:
    std::unique_ptr<SimulatorProcess> simulator_;
};

TEST_F(PublishTest, BadUsageIsRefusedBeforeAnythingIsSent) {
    const std::string secretFile = PasswordFile(0600);
    const std::string openFile = Home() / "open-password";
    std::ofstream(openFile) << kPassword << "\n";
    chmod(openFile.c_str(), 0644);
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{}, "--broker mqtt://HOST[:PORT] or mqtts://HOST[:PORT] is required"},
        {{"--broker", "http://example.org"}, "http://example.org is not mqtt://HOST"},
        {{"--broker", "mqtt://"}, "is not mqtt://HOST"},
        {{"--broker", "mqtt://host:0"}, "is not mqtt://HOST"},
        {{"--broker", "mqtt://host:99999"}, "is not mqtt://HOST"},
        {{"--broker", "mqtt://user@host"}, "is not mqtt://HOST"},
        {{"--broker", "mqtt://[::1"}, "is not mqtt://HOST"},
        {{"--broker", "mqtt://h", "--password", kPassword}, "never taken on the command line"},
        {{"--broker", "mqtt://h", std::string("--password=") + kPassword},
         "never taken on the command line"},
        {{"--broker", "mqtt://h", "--password-file", secretFile}, "a password needs --username"},
        {{"--broker", "mqtt://192.0.2.1", "--username", "u", "--password-file", secretFile},
         "refusing to send the password unencrypted to 192.0.2.1"},
        {{"--broker", "mqtt://broker.lan:1883", "--username", "u", "--password-file", secretFile},
         "refusing to send the password unencrypted to broker.lan"},
        {{"--broker", "mqtt://h", "--username", "u", "--password-file", openFile},
         "may be read or written by others (mode 0644)"},
        {{"--broker", "mqtt://h", "--username", "u", "--password-file", Home() / "none"},
         "cannot read the password file"},
        {{"--broker", "mqtt://h", "--cafile", secretFile}, "--cafile needs an mqtts:// broker"},
        {{"--broker", "mqtts://h", "--cafile", Home() / "none.pem"}, "--cafile: cannot read"},
        {{"--broker", "mqtt://h", "--no-discovery", "--discovery-prefix", "ha"},
         "exclude each other"},
        {{"--broker", "mqtt://h", "--topic-prefix", "meters/#"}, "--topic-prefix: meters/#"},
        {{"--broker", "mqtt://h", "--topic-prefix", "/meters"}, "--topic-prefix: /meters"},
        {{"--broker", "mqtt://h", "--id", "1,x"}, "--id: x is not a device ID"},
        {{"--broker", "mqtt://h", "--id", "4-2"}, "--id: the range 4-2 runs backwards"},
        {{"--broker", "mqtt://h", "--id", "0-2"}, "--id: 0-2 is not a device ID"},
        {{"--broker", "mqtt://h", "--retries", "11"}, "--retries: 11 is not a whole number"},
        {{"--broker", "mqtt://h", "--every", "0"}, "--every: 0 is not a number"},
        {{"--broker", "mqtt://h", "--for", "soon"}, "--for: soon is not a duration"},
        {{"--broker", "mqtt://h", "stray"}, "unexpected argument stray"},
    };
    for (const Case& c : cases) {
        const PublishRun run = RunPublish(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(c.arguments);
        EXPECT_THAT(run.err, HasSubstr(c.message)) << testing::PrintToString(c.arguments);
        EXPECT_THAT(run.err, testing::Not(HasSubstr(kPassword)));
    }
    // The environment's password is held to the same rules as the file's.
    setenv("TAVR_MQTT_PASSWORD", kPassword, 1);
    const PublishRun withoutUser = RunPublish({"--broker", "mqtt://h"});
    const PublishRun plaintext =
        RunPublish({"--broker", "mqtt://192.0.2.1", "--username", "gateway"});
    unsetenv("TAVR_MQTT_PASSWORD");
    EXPECT_THAT(withoutUser.err, HasSubstr("a password needs --username"));
    EXPECT_THAT(plaintext.err, HasSubstr("refusing to send the password unencrypted"));
    EXPECT_EQ(plaintext.exitCode, 2);
    EXPECT_THAT(plaintext.err, testing::Not(HasSubstr(kPassword)));
}

// Each failure that time will not mend is one line and exit code 4; the meter is not asked.
TEST_F(PublishTest, BrokerFailuresEndWithOneLineAndExitCodeFour) {
    MqttBroker locked(Folder("locked"), {.password = kPassword});
    MqttBroker secure(Folder("secure"), {.password = std::nullopt, .tls = true});
    ASSERT_TRUE(locked.Start());
    ASSERT_TRUE(secure.Start());
    const std::string wrongPassword = Home() / "wrong";
    std::ofstream(wrongPassword) << "not-it\n";
    chmod(wrongPassword.c_str(), 0600);
    const auto url = [](const std::string& scheme, const std::string& host, const MqttBroker& b) {
        return scheme + "://" + host + ":" + std::to_string(b.Port());
    };
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"--broker", url("mqtt", "127.0.0.1", locked), "--username", "gateway", "--password-file",
          wrongPassword},
         "refused the connection: Connection Refused: not authorised"},
        {{"--broker", url("mqtt", "localhost", locked)}, "refused the connection"},
        {{"--broker", url("mqtts", "localhost", secure), "--cafile", secure.StrangerCaFile()},
         "TLS with broker mqtts://localhost"},
        {{"--broker", url("mqtts", "127.0.0.1", secure), "--cafile", secure.CaFile()},
         "not made out to 127.0.0.1"},
    };
    for (const Case& c : cases) {
        const PublishRun run = RunPublish(c.arguments);
        EXPECT_EQ(run.exitCode, 4) << testing::PrintToString(c.arguments);
        EXPECT_THAT(run.err, HasSubstr(c.message)) << testing::PrintToString(c.arguments);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

// A listening socket that completes TCP handshakes but never says a word: a broker's address
// that swallows the connection.
class SilentListener {
  public:
    SilentListener(const char* address, int port) : socket_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(static_cast<std::uint16_t>(port));
        inet_pton(AF_INET, address, &where.sin_addr);
        listening_ =
            bind(socket_.Get(), reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0 &&
            listen(socket_.Get(), 4) == 0;
    }
    bool Listening() const { return listening_; }

  private:
    UniqueFd socket_;
    bool listening_ = false;
};

// The broker listens on 127.0.0.1 only; the name's other addresses on the loopback network
// refuse (127.0.0.2) or swallow the connection (127.0.0.3). The addresses are tried in the
// resolver's order until one accepts; TLS checks the certificate against the name, never
// against the address the connection went to.
TEST_F(PublishTest, EveryAddressOfTheBrokersNameIsTriedInTurn) {
    MqttBroker plain(Folder("plain"), {});
    MqttBroker secure(Folder("secure"), {.password = std::nullopt, .tls = true});
    ASSERT_TRUE(plain.Start());
    ASSERT_TRUE(secure.Start());
    SilentListener silent("127.0.0.3", plain.Port());
    ASSERT_TRUE(silent.Listening());
    struct Case {
        const MqttBroker& broker;
        std::string host;
        BrokerAddresses addresses;
        MqttClient::Start start;
        std::string failure;  // empty: connects
    };
    using enum MqttClient::Start;
    const Case cases[] = {
        {plain, "broker.test", {{"127.0.0.2", "127.0.0.1"}, ""}, Connected, ""},
        {plain, "broker.test", {{"127.0.0.3", "127.0.0.1"}, ""}, Connected, ""},
        {secure, "localhost", {{"127.0.0.2", "127.0.0.1"}, ""}, Connected, ""},
        {plain, "broker.test", {{"127.0.0.1", "127.0.0.2"}, ""}, Connected, ""},
        {plain,
         "broker.test",
         {{"127.0.0.3", "127.0.0.2"}, ""},
         Waiting,
         "cannot reach broker mqtt://broker.test:" + std::to_string(plain.Port()) +
             ": Connection refused"},
        {plain,
         "broker.test",
         {{}, "Name or service not known"},
         Waiting,
         "cannot reach broker mqtt://broker.test:" + std::to_string(plain.Port()) +
             ": Name or service not known"},
        {secure, "stranger.test", {{"127.0.0.1"}, ""}, Refused, "not made out to stranger.test"},
    };
    for (const Case& c : cases) {
        const bool tls = &c.broker == &secure;
        MqttConnectOptions options;
        options.broker = {tls, c.host, c.broker.Port()};
        options.clientId = "address-test";
        options.caFile = tls ? c.broker.CaFile().string() : "";
        options.will = {"address-test/availability", "offline", true};
        options.lookUp = [&c](const std::string&, int) { return c.addresses; };
        options.attemptLimit = std::chrono::milliseconds(300);
        MqttClient client({});
        std::string error;
        const MqttClient::Start start =
            client.Connect(options, std::chrono::seconds(10), -1, error);
        const std::string label = c.host + " " + testing::PrintToString(c.addresses.numeric);
        EXPECT_EQ(start, c.start) << label << ": " << error;
        EXPECT_THAT(error, HasSubstr(c.failure)) << label;
    }
}

// A name server that never answers holds up neither the operator nor the end: Ctrl+C ends the
// wait for the first round, and Disconnect ends the lookup (it would wait forever otherwise).
TEST(MqttClientTest, AHangingLookupEndsOnInterruptAndOnDisconnect) {
    const auto hanging = [](const std::string&, int stopFd) {
        pollfd stop{stopFd, POLLIN, 0};
        poll(&stop, 1, -1);
        return BrokerAddresses{{}, "stopped while looking the name up"};
    };
    MqttConnectOptions options;
    options.broker = {false, "silent.test", 1883};
    options.clientId = "lookup-test";
    options.will = {"lookup-test/availability", "offline", true};
    options.lookUp = hanging;

    const UniqueFd interrupt(eventfd(1, EFD_CLOEXEC));
    MqttClient interrupted({});
    std::string error;
    EXPECT_EQ(interrupted.Connect(options, std::chrono::seconds(60), interrupt.Get(), error),
              MqttClient::Start::Interrupted);
    EXPECT_THAT(error, HasSubstr("interrupted while connecting to broker mqtt://silent.test"));
    interrupted.Disconnect();

    MqttClient waiting({});
    EXPECT_EQ(waiting.Connect(options, std::chrono::milliseconds(100), -1, error),
              MqttClient::Start::Waiting);
    EXPECT_THAT(error, HasSubstr("no answer from broker mqtt://silent.test:1883 within"));
    waiting.Disconnect();
}

// The system's resolver gives numeric addresses in its order, and a lookup ends at once when
// it is asked to stop.
TEST(BrokerAddressesTest, NamesBecomeNumericAddressesAndAStopEndsTheWait) {
    const BrokerAddresses numeric = LookUpBrokerAddresses("127.0.0.1", std::chrono::seconds(5), -1);
    EXPECT_EQ(numeric.numeric, std::vector<std::string>{"127.0.0.1"});
    const BrokerAddresses local = LookUpBrokerAddresses("localhost", std::chrono::seconds(5), -1);
    ASSERT_FALSE(local.numeric.empty()) << local.error;
    for (const std::string& address : local.numeric) {
        EXPECT_TRUE(address == "127.0.0.1" || address == "::1") << address;
    }
    const UniqueFd stop(eventfd(1, EFD_CLOEXEC));
    const BrokerAddresses stopped =
        LookUpBrokerAddresses("localhost", std::chrono::seconds(5), stop.Get());
    EXPECT_TRUE(stopped.numeric.empty());
    EXPECT_THAT(stopped.error, HasSubstr("stopped"));
}

// At boot the gateway often starts before the broker: the readings wait for it and all go out
// once it is up. A broker that never comes ends a timed run with exit code 4.
TEST_F(PublishTest, ABrokerThatStartsLateGetsEveryReading) {
    StartBus({"--address", "1"});
    MqttBroker broker(Folder("late"), {});
    const auto arguments = [&broker](const char* duration) {
        return std::vector<std::string>{"--broker",
                                        "mqtt://localhost:" + std::to_string(broker.Port()),
                                        "--no-discovery",
                                        "--id",
                                        "1",
                                        "--every",
                                        "0.5",
                                        "--for",
                                        duration};
    };
    const PublishRun never = RunPublish(arguments("1s"));
    EXPECT_EQ(never.exitCode, 4) << never.err;
    EXPECT_THAT(never.err, HasSubstr("cannot reach broker mqtt://localhost"));
    EXPECT_THAT(never.err, HasSubstr("never sent"));

    // The gateway tries again 1 s after its first try and 2 s after that: the broker starts
    // between the two, and the subscriber is there well before the second.
    std::unique_ptr<MqttSubscriber> subscriber;
    std::thread boot([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        if (broker.Start()) {
            subscriber = std::make_unique<MqttSubscriber>(broker.Port());
            subscriber->Subscribed();
        }
    });
    const PublishRun run = RunPublish(arguments("6s"));
    boot.join();

    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_NE(subscriber, nullptr);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 3) << run.err;
    EXPECT_THAT(run.err, HasSubstr("readings wait and go out once it answers"));
    EXPECT_THAT(run.err, HasSubstr("connected to broker mqtt://localhost"));
    const int readings = Readings(run.err, 1);
    ASSERT_GE(readings, 8);
    EXPECT_TRUE(subscriber->WaitFor("tavr12864/1/state", static_cast<std::size_t>(readings)));
    EXPECT_EQ(static_cast<int>(subscriber->On("tavr12864/1/state").size()), readings);
}

// A gateway left to run (no --for) whose port is not there at the start waits for it like for
// a pulled adapter, its meter offline meanwhile, and polls once the port comes.
TEST_F(PublishTest, AGatewayWaitsForAPortThatIsNotThereYet) {
    MqttBroker broker(Folder("broker"), {});
    ASSERT_TRUE(broker.Start());
    MqttSubscriber subscriber(broker.Port());
    ASSERT_TRUE(subscriber.Subscribed());
    TestInterrupt interrupt;
    std::ostringstream out;
    std::ostringstream err;
    // Its standard error is the journal, as under systemd: each line carries its priority.
    Console console{out, err, false, true, interrupt.Handle()};
    std::unique_ptr<SimulatorProcess> simulator;
    std::thread plugging([&] {
        if (subscriber.WaitFor("tavr12864/1/availability", 1)) {
            simulator = std::make_unique<SimulatorProcess>(
                TAVR_METER_SIM_PATH, Home(),
                std::vector<std::string>{"--com", "42", "--frozen", "--address", "1"});
            subscriber.WaitFor("tavr12864/1/state", 2);
        }
        interrupt.Signal();
    });
    const int exitCode = RunCompanion(
        {"publish", "--port", "42", "--broker", "mqtt://127.0.0.1:" + std::to_string(broker.Port()),
         "--no-discovery", "--id", "1", "--every", "0.5"},
        console, DrawRunPlot);
    plugging.join();

    EXPECT_EQ(exitCode, 0) << err.str();
    EXPECT_THAT(err.str(), testing::MatchesRegex("<4>tavr-12864-cli publish: cannot open .*"
                                                 "waiting for it, its meters offline meanwhile\n"
                                                 "<6>tavr-12864-cli publish: COM42 is open: "
                                                 "polling its meters\n"
                                                 "<6>publish ended: .*\n"));
    EXPECT_GE(subscriber.On("tavr12864/1/state").size(), 2u);
    // The last "offline" was acknowledged by the broker before the run ended, but may reach the
    // subscriber a moment later.
    EXPECT_TRUE(subscriber.WaitFor("tavr12864/1/availability", 3));
    std::vector<std::string> availability;
    for (const auto& message : subscriber.On("tavr12864/1/availability")) {
        availability.push_back(message.payload);
    }
    EXPECT_EQ(availability, (std::vector<std::string>{"offline", "online", "offline"}));
}

TEST_F(PublishTest, MetersOnOneLineAppearWithStateAvailabilityAndDiscovery) {
    StartBus();
    MqttBroker broker(Folder("broker"), {.password = kPassword});
    ASSERT_TRUE(broker.Start());
    MqttSubscriber subscriber(broker.Port(), kPassword);
    ASSERT_TRUE(subscriber.Subscribed());

    // Home Assistant starts again once the first reading is out.
    std::thread homeAssistant([&subscriber] {
        if (subscriber.WaitFor("tavr12864/1/state", 1)) {
            subscriber.Publish("homeassistant/status", "online");
        }
    });
    // Cycles of about 1.35 s (meter 2's time-out at 2400 baud): three or four in 5 s, three
    // enough for meters 2 and 3 to go offline.
    const PublishRun run = RunPublish(
        {"--broker", "mqtt://localhost:" + std::to_string(broker.Port()), "--username", "gateway",
         "--password-file", PasswordFile(0600), "--id", "1-3", "--every", "1", "--for", "5s"});
    homeAssistant.join();

    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("Home Assistant is online: discovery and the latest states"));
    const int readings = Readings(run.err, 1);
    ASSERT_GE(readings, 3);
    const std::string cycles = std::to_string(readings);
    EXPECT_THAT(run.err, HasSubstr("device 2: 0 readings, " + cycles + " time-outs, 0 garbled"));
    EXPECT_THAT(run.err, HasSubstr("device 3: 0 readings, 0 time-outs, " + cycles + " garbled"));
    EXPECT_THAT(run.err, HasSubstr("device 2 on COM7 is offline: no answer in 3 cycles"));
    ASSERT_TRUE(subscriber.WaitFor("tavr12864/availability", 2));
    // Each reading once, and the latest one again for Home Assistant's start.
    const auto states = subscriber.On("tavr12864/1/state");
    ASSERT_EQ(static_cast<int>(states.size()), readings + 1);
    const json state = json::parse(states.front().payload);
    EXPECT_EQ(state["voltage_v"], 12.345);
    EXPECT_EQ(state["current_a"], 15.0);
    EXPECT_EQ(state["temperature_c"], 25.0);
    EXPECT_EQ(state["temperature2_c"], -5.0);
    EXPECT_EQ(state["remaining_ah"], 75.0);
    EXPECT_EQ(state["energy_wh"], 1234.0);
    EXPECT_EQ(state["charge_percent"], 75.0);
    EXPECT_EQ(state["voltage2_v"], 54.0);
    EXPECT_EQ(state["computed_power_w"], 185.175);
    EXPECT_TRUE(state["time"].is_string());
    EXPECT_TRUE(subscriber.On("tavr12864/2/state").empty());
    EXPECT_TRUE(subscriber.On("tavr12864/3/state").empty());

    const auto payloads = [&](const std::string& topic) {
        std::vector<std::string> texts;
        for (const auto& message : subscriber.On(topic)) {
            texts.push_back(message.payload);
        }
        return texts;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(payloads("tavr12864/1/availability"), (V{"online", "offline"}));
    EXPECT_EQ(payloads("tavr12864/2/availability"), (V{"offline", "offline"}));
    EXPECT_EQ(payloads("tavr12864/3/availability"), (V{"offline", "offline"}));
    EXPECT_EQ(payloads("tavr12864/availability"), (V{"online", "offline"}));

    // Each meter's configs at the connection and at Home Assistant's start; meter 1's also when
    // its first answer told its own decimals.
    std::size_t configs = 0;
    for (const auto& message : subscriber.Messages()) {
        configs += message.topic.starts_with("homeassistant/sensor/");
    }
    EXPECT_EQ(configs, 3u * 10u * 2u + 10u);
    const auto answered = subscriber.On("homeassistant/sensor/tavr12864_com7_id1_voltage_v/config");
    ASSERT_EQ(answered.size(), 3u);
    EXPECT_EQ(json::parse(answered[0].payload)["suggested_display_precision"], 2);
    EXPECT_EQ(json::parse(answered[1].payload)["suggested_display_precision"], 3);
    EXPECT_EQ(json::parse(answered[2].payload)["suggested_display_precision"], 3);
    const auto gateway = subscriber.On("homeassistant/binary_sensor/tavr12864_gateway/config");
    ASSERT_EQ(gateway.size(), 2u);
    EXPECT_EQ(json::parse(gateway[0].payload)["device"]["sw_version"], TAVR_VERSION);
    const auto voltage = subscriber.On("homeassistant/sensor/tavr12864_com7_id3_voltage_v/config");
    ASSERT_EQ(voltage.size(), 2u);
    const json config = json::parse(voltage[0].payload);
    EXPECT_EQ(config["expire_after"], 10);
    EXPECT_EQ(config["device"]["via_device"], "tavr12864_gateway");
    EXPECT_EQ(config["o"]["name"], "tavr-12864-cli");
    EXPECT_EQ(config["unique_id"], "tavr12864_com7_id3_voltage_v");
    EXPECT_EQ(config["state_topic"], "tavr12864/3/state");
    EXPECT_EQ(config["value_template"], "{{ value_json.voltage_v }}");
    EXPECT_EQ(config["unit_of_measurement"], "V");
    EXPECT_EQ(config["device_class"], "voltage");
    EXPECT_EQ(config["state_class"], "measurement");
    EXPECT_EQ(config["availability"][0]["topic"], "tavr12864/3/availability");
    EXPECT_EQ(config["availability"][1]["topic"], "tavr12864/availability");
    EXPECT_EQ(config["availability_mode"], "all");
    EXPECT_EQ(config["device"]["identifiers"][0], "tavr12864_com7_id3");
    EXPECT_EQ(config["device"]["model"], "TAVR_12864");
}

TEST_F(PublishTest, ReadingsGoThroughTlsWithTheBrokersCa) {
    StartBus({"--address", "1"});
    MqttBroker broker(Folder("broker"), {.password = std::nullopt, .tls = true});
    ASSERT_TRUE(broker.Start());
    MqttSubscriber subscriber(broker.Port(), std::nullopt, broker.CaFile());
    ASSERT_TRUE(subscriber.Subscribed());

    const PublishRun run =
        RunPublish({"--broker", "mqtts://localhost:" + std::to_string(broker.Port()), "--cafile",
                    broker.CaFile(), "--no-discovery", "--topic-prefix", "bench/a", "--id", "1",
                    "--every", "0.2", "--for", "1s"});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_TRUE(subscriber.WaitFor("bench/a/availability", 2));
    EXPECT_EQ(static_cast<int>(subscriber.On("bench/a/1/state").size()), Readings(run.err, 1));
    EXPECT_GE(Readings(run.err, 1), 3);
    for (const auto& message : subscriber.Messages()) {
        EXPECT_FALSE(message.topic.starts_with("homeassistant")) << message.topic;
    }
}

// The broker is stopped for a while during a run and started again: every reading the meter
// gave reaches the subscriber, in order. QoS 1 may deliver a message twice (one in flight when
// the broker went away), so readings are told apart by their time.
TEST_F(PublishTest, ABrokerRestartLosesNoReading) {
    StartBus({"--address", "1"});
    MqttBroker broker(Folder("broker"),
                      {.password = std::nullopt, .tls = false, .persistent = true});
    ASSERT_TRUE(broker.Start());
    auto subscriber = std::make_unique<MqttSubscriber>(broker.Port());
    ASSERT_TRUE(subscriber->Subscribed());

    PublishRun run;
    std::thread gateway([&] {
        run = RunPublish({"--broker", "mqtt://127.0.0.1:" + std::to_string(broker.Port()),
                          "--no-discovery", "--every", "0.2", "--for", "6s"});
    });
    ASSERT_TRUE(subscriber->WaitFor("tavr12864/1/state", 5));
    broker.Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // readings pile up meanwhile
    ASSERT_TRUE(broker.Start());
    gateway.join();

    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("lost broker"));
    EXPECT_THAT(run.err, HasSubstr("reconnected to broker"));
    const int readings = Readings(run.err, 1);
    EXPECT_GE(readings, 10);
    ASSERT_TRUE(subscriber->WaitFor("tavr12864/1/state", static_cast<std::size_t>(readings)))
        << subscriber->On("tavr12864/1/state").size() << " of " << readings;
    std::vector<std::string> times;
    for (const auto& message : subscriber->On("tavr12864/1/state")) {
        const std::string time = json::parse(message.payload)["time"];
        if (std::find(times.begin(), times.end(), time) == times.end()) {
            times.push_back(time);
        }
    }
    EXPECT_EQ(static_cast<int>(times.size()), readings);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
}

// The gateway as systemd runs it: a configuration of two lines, each polled on its own thread,
// whose topics name the line. Line B's adapter is pulled for a while: line A's readings go on
// meanwhile, B's meter goes offline and comes back. systemd hears READY=1 once both lines have
// polled, the status, and the watchdog's pings.
TEST_F(PublishTest, TwoLinesOfOneGatewayGoOnWithoutEachOther) {
    StartBus({"--address", "1"});
    StartLineB();
    MqttBroker broker(Folder("broker"), {});
    ASSERT_TRUE(broker.Start());
    MqttSubscriber subscriber(broker.Port());
    ASSERT_TRUE(subscriber.Subscribed());
    NotifySocket systemd;
    ASSERT_TRUE(systemd.Valid());
    systemd.AskForWatchdog(std::chrono::seconds(2), getpid());
    const std::string config = GatewayFile("gateway.toml", broker.Port(), {"bank-a", "bank-b"});

    GatewayRun gateway({"publish", "--config", config});
    ASSERT_TRUE(systemd.WaitFor("READY=1", std::chrono::seconds(10)));
    ASSERT_TRUE(systemd.WaitFor("STATUS=2 of 2 meters answering", std::chrono::seconds(10)));
    ASSERT_TRUE(systemd.WaitFor("WATCHDOG=1", std::chrono::seconds(5)));
    ASSERT_TRUE(subscriber.WaitFor("tavr12864/bank-b/1/state", 2));

    ASSERT_TRUE(lineB_->Send("hangup 5000"));
    ASSERT_TRUE(subscriber.WaitFor("tavr12864/bank-b/1/availability", 2, std::chrono::seconds(10)));
    const std::size_t aBefore = subscriber.On("tavr12864/bank-a/1/state").size();
    const std::size_t bBefore = subscriber.On("tavr12864/bank-b/1/state").size();
    // Half-second cycles: line A answers four times in about 2 s, while B is away for 5 s and
    // more (its adapter comes back after 5 s, its port is tried again after waits of 0.25 s
    // doubling).
    EXPECT_TRUE(subscriber.WaitFor("tavr12864/bank-a/1/state", aBefore + 4));
    EXPECT_EQ(subscriber.On("tavr12864/bank-b/1/state").size(), bBefore);
    EXPECT_TRUE(subscriber.WaitFor("tavr12864/bank-b/1/state", bBefore + 2));
    const GatewayRun::Ended ended = gateway.Interrupt();

    ASSERT_EQ(ended.exitCode, 0) << ended.err;
    EXPECT_THAT(ended.err, HasSubstr("device 1 on bank-a: "));
    EXPECT_THAT(ended.err, HasSubstr("device 1 on bank-b: "));
    EXPECT_THAT(ended.err, HasSubstr("COM8 is back"));
    using V = std::vector<std::string>;
    EXPECT_EQ(Payloads(subscriber, "tavr12864/bank-b/1/availability"),
              (V{"online", "offline", "online", "offline"}));
    EXPECT_EQ(Payloads(subscriber, "tavr12864/bank-a/1/availability"), (V{"online", "offline"}));
    const auto configs =
        subscriber.On("homeassistant/sensor/tavr12864_bank-b_id1_voltage_v/config");
    ASSERT_FALSE(configs.empty());
    EXPECT_EQ(json::parse(configs.front().payload)["device"]["name"], "TAVR_12864 1 on bank-b");
}

// systemctl reload: SIGHUP reads the configuration again. A second line is added and starts
// polling while the first goes on; a broken file is refused with a log line and the gateway goes
// on as it was.
TEST_F(PublishTest, AReloadChangesTheLinesAndABrokenFileChangesNothing) {
    StartBus({"--address", "1"});
    StartLineB();
    MqttBroker broker(Folder("broker"), {});
    ASSERT_TRUE(broker.Start());
    MqttSubscriber subscriber(broker.Port());
    ASSERT_TRUE(subscriber.Subscribed());
    NotifySocket systemd;
    ASSERT_TRUE(systemd.Valid());
    const std::string config = GatewayFile("gateway.toml", broker.Port(), {"bank-a"});

    GatewayRun gateway({"publish", "--config", config});
    ASSERT_TRUE(systemd.WaitFor("READY=1", std::chrono::seconds(10)));
    ASSERT_TRUE(subscriber.WaitFor("tavr12864/1/state", 2));

    GatewayFile("gateway.toml", broker.Port(), {"bank-a", "bank-b"});
    gateway.Reload();
    ASSERT_TRUE(systemd.WaitFor("RELOADING=1", std::chrono::seconds(5)));
    ASSERT_TRUE(systemd.WaitFor("READY=1", std::chrono::seconds(10)));
    ASSERT_TRUE(subscriber.WaitFor("tavr12864/bank-b/1/state", 2));
    ASSERT_TRUE(subscriber.WaitFor("tavr12864/bank-a/1/state", 2));

    std::ofstream(config)
        << "[broker]\nurl = \"mqtt://127.0.0.1:1\"\n[[line]]\nport = 7\nbaud = 9601\n";
    gateway.Reload();
    ASSERT_TRUE(systemd.WaitFor("READY=1", std::chrono::seconds(10)));
    const std::size_t bBefore = subscriber.On("tavr12864/bank-b/1/state").size();
    EXPECT_TRUE(subscriber.WaitFor("tavr12864/bank-b/1/state", bBefore + 2));
    const GatewayRun::Ended ended = gateway.Interrupt();

    ASSERT_EQ(ended.exitCode, 0) << ended.err;
    EXPECT_THAT(ended.err, HasSubstr("configuration reloaded: 2 lines started, 1 stopped"));
    EXPECT_THAT(ended.err, HasSubstr("the configuration was not reloaded, the gateway goes on as "
                                     "before: "));
    EXPECT_THAT(ended.err, HasSubstr("9601"));
    // The single line's meter left for the line-named topics; it is offline under the old one.
    using V = std::vector<std::string>;
    EXPECT_EQ(Payloads(subscriber, "tavr12864/1/availability"), (V{"online", "offline"}));
}

// Home Assistant sets the battery capacity as a user does with mosquitto_pub: exactly one write
// (function 06H) goes on the line, the meter's read-back is the new state and the result is
// told. A setting not allowed, a value out of range and a retained command (sent before the
// gateway subscribed, so it comes retained) put nothing on the line.
TEST_F(PublishTest, HomeAssistantWritesAnAllowedSettingAndNothingElse) {
    StartBus({"--address", "1", "--log", (Home() / "meter.log").string()});
    MqttBroker broker(Folder("broker"), {});
    ASSERT_TRUE(broker.Start());
    MqttSubscriber subscriber(broker.Port());
    ASSERT_TRUE(subscriber.Subscribed());
    ASSERT_TRUE(broker.PublishWithClient("tavr12864/1/set/capacity_ah", "50", true));

    GatewayRun gateway({"publish", "--port", std::to_string(kSimulatorCom), "--broker",
                        "mqtt://127.0.0.1:" + std::to_string(broker.Port()), "--id", "1", "--every",
                        "0.5", "--allow-write", "capacity_ah"});
    ASSERT_TRUE(subscriber.WaitFor("tavr12864/1/write_result", 1));
    ASSERT_TRUE(subscriber.WaitFor("tavr12864/1/state", 1));
    ASSERT_TRUE(broker.PublishWithClient("tavr12864/1/set/voltage_high_v", "60"));
    ASSERT_TRUE(broker.PublishWithClient("tavr12864/1/set/capacity_ah", "1000.1"));
    ASSERT_TRUE(broker.PublishWithClient("tavr12864/1/set/capacity_ah", "120.0"));
    ASSERT_TRUE(subscriber.WaitFor("tavr12864/1/write_result", 4));
    const std::size_t statesBefore = subscriber.On("tavr12864/1/state").size();
    ASSERT_TRUE(subscriber.WaitFor("tavr12864/1/state", statesBefore + 1));
    const GatewayRun::Ended ended = gateway.Interrupt();

    ASSERT_EQ(ended.exitCode, 0) << ended.err;
    std::vector<json> results;
    for (const auto& message : subscriber.On("tavr12864/1/write_result")) {
        results.push_back(json::parse(message.payload));
        EXPECT_FALSE(message.retained);
    }
    ASSERT_EQ(results.size(), 4u);
    EXPECT_THAT(results[0]["reason"].get<std::string>(), HasSubstr("retained"));
    EXPECT_EQ(results[0]["written_raw"], nullptr);
    EXPECT_EQ(results[1]["key"], "voltage_high_v");
    EXPECT_EQ(results[1]["ok"], false);
    EXPECT_EQ(results[2]["written_raw"], nullptr);
    EXPECT_EQ(results[3], json::parse(R"({"key": "capacity_ah", "requested": "120.0",
                                           "written_raw": 1200, "ok": true, "reason": ""})"));
    EXPECT_EQ(FramesOfFunction(Home() / "meter.log", "06"),
              std::vector<std::string>{"01 06 00 09 04 B0 5A BC"});
    EXPECT_EQ(json::parse(subscriber.On("tavr12864/1/state").back().payload)["capacity_ah"], 120.0);
    const auto number = subscriber.On("homeassistant/number/tavr12864_com7_id1_capacity_ah/config");
    ASSERT_FALSE(number.empty());
    const json config = json::parse(number.front().payload);
    EXPECT_EQ(config["command_topic"], "tavr12864/1/set/capacity_ah");
    EXPECT_EQ(config["max"], 1000.0);
    EXPECT_EQ(config["step"], 0.1);
    EXPECT_EQ(config["mode"], "box");
    EXPECT_EQ(config["entity_category"], "config");
    EXPECT_TRUE(
        subscriber.On("homeassistant/number/tavr12864_com7_id1_voltage_high_v/config").empty());
    EXPECT_THAT(ended.err, HasSubstr("capacity_ah set to 120.0 Ah (0009H = 1200)"));
}

}  // namespace
}  // namespace tavr
