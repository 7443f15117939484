// The gateway's configuration file: what it gives, what it refuses and where, and how publish's
// command line merges with it.
#include "companion/publish/gateway_config.h"

#include <gmock/gmock.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "companion/commands/publish_command.h"
#include "companion/meter/connection_choice.h"
#include "companion/publish/password_source.h"
#include "companion/publish/writable_settings.h"
#include "settings/config_home_test.h"

namespace tavr {
namespace {

using std::chrono::milliseconds;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::StartsWith;

constexpr char kBroker[] = "[broker]\nurl = \"mqtt://h\"\n";

std::uint16_t AddressOf(const char* key) {
    return FindWritableSetting(key)->address;
}

// What publish's command line chose: the options and the reload it handed to the run.
struct PublishChoice {
    ExitStatus status = ExitStatus::Done;
    std::optional<PublishOptions> options;
    PublishReload reload;
    std::string err;
};

class GatewayConfigTest : public ConfigHomeTest {
  protected:
    void SetUp() override {
        ConfigHomeTest::SetUp();
        unsetenv(kPasswordVariable);
    }

    // The configuration `text`, as if read from gateway.toml.
    static std::optional<GatewayConfig> Parse(const std::string& text, std::string& error) {
        return ParseGatewayConfig(text, "gateway.toml", error);
    }

    // Writes `text` to the file `name` in the test's folder; its path.
    std::string Write(const std::string& name, const std::string& text, mode_t mode = 0644) {
        const std::filesystem::path file = Home() / name;
        PutFile(file, text);
        chmod(file.c_str(), mode);
        return file.string();
    }

    // Runs publish's command line; the run stands in for the gateway and starts nothing.
    static PublishChoice Choose(std::vector<std::string> arguments) {
        std::ostringstream out;
        std::ostringstream err;
        Console console{out, err, false};
        PublishChoice choice;
        choice.status = RunPublishCommand(
            arguments, console,
            [&choice](const PublishOptions& options, Console&, const PublishReload& reload) {
                choice.options = options;
                choice.reload = reload;
                return ExitStatus::Done;
            });
        choice.err = err.str();
        return choice;
    }
};

TEST_F(GatewayConfigTest, AFullFileGivesTheBrokerTwoLinesAndTheWritableSettings) {
    const std::string text = R"([broker]
url = "mqtts://broker.lan:8883"
username = "tavr"
password_file = "/etc/tavr-12864/broker-password"
cafile = "my-ca.pem"
topic_prefix = "site/tavr"
discovery_prefix = "ha"

[[line]]
port = "/dev/serial/by-id/usb-FTDI_FT232R_A10KXYZ-if00-port0"
baud = 9600
ids = "1-4,9"
every = "0.5s"
timeout_ms = 250
retries = 2
name = "battery-room"

[[line]]   # a COM number, one ID as a number
port = 2
ids = 7
every = 2
name = "solar_1"

[writes]
allow = ["alarm_delay_s", "capacity_ah"]
)";
    std::string error;
    const auto config = ParseGatewayConfig(text, "/etc/tavr-12864/gateway.toml", error);
    ASSERT_TRUE(config.has_value()) << error;
    EXPECT_EQ(config->broker.Text(), "mqtts://broker.lan:8883");
    EXPECT_EQ(config->username, "tavr");
    ASSERT_TRUE(config->passwordFile.has_value());
    EXPECT_EQ(config->passwordFile->path, "/etc/tavr-12864/broker-password");
    EXPECT_EQ(config->passwordFile->where, "/etc/tavr-12864/gateway.toml:4: broker.password_file");
    ASSERT_TRUE(config->caFile.has_value());
    EXPECT_EQ(config->caFile->path, "/etc/tavr-12864/my-ca.pem");  // beside the configuration
    EXPECT_EQ(config->topics.prefix, "site/tavr");
    EXPECT_EQ(config->topics.discoveryPrefix, "ha");
    ASSERT_EQ(config->lines.size(), 2u);
    const PublishLine& first = config->lines[0];
    EXPECT_EQ(first.name, "battery-room");
    EXPECT_EQ(first.poll.connection.PortName(),
              "/dev/serial/by-id/usb-FTDI_FT232R_A10KXYZ-if00-port0");
    EXPECT_EQ(first.poll.connection.baud, 9600);
    EXPECT_THAT(first.poll.connection.deviceIds, ElementsAre(1, 2, 3, 4, 9));
    EXPECT_EQ(first.poll.connection.deviceId, 1);
    EXPECT_EQ(first.poll.connection.timeout, milliseconds(250));
    EXPECT_EQ(first.poll.connection.retries, 2);
    EXPECT_EQ(first.poll.every, milliseconds(500));
    const PublishLine& second = config->lines[1];
    EXPECT_EQ(second.name, "solar_1");
    EXPECT_EQ(second.poll.connection.PortName(), "COM2");
    EXPECT_THAT(second.poll.connection.deviceIds, ElementsAre(7));
    EXPECT_EQ(second.poll.connection.deviceId, 7);
    EXPECT_EQ(second.poll.every, milliseconds(2000));
    EXPECT_THAT(config->writable,
                ElementsAre(AddressOf("capacity_ah"), AddressOf("alarm_delay_s")));
}

TEST_F(GatewayConfigTest, KeysLeftOutTakePublishsDefaults) {
    std::string error;
    const auto config = Parse(std::string(kBroker) + "[[line]]\nport = \"/dev/ttyUSB0\"\n", error);
    ASSERT_TRUE(config.has_value()) << error;
    const ConnectionChoice remembered = RememberedConnection();
    EXPECT_FALSE(config->username.has_value());
    EXPECT_FALSE(config->passwordFile.has_value());
    EXPECT_FALSE(config->caFile.has_value());
    EXPECT_EQ(config->topics.prefix, "tavr12864");
    EXPECT_EQ(config->topics.discoveryPrefix, "homeassistant");
    ASSERT_EQ(config->lines.size(), 1u);
    const PollPlan& poll = config->lines[0].poll;
    EXPECT_EQ(config->lines[0].name, "");
    EXPECT_EQ(poll.connection.baud, remembered.baud);
    EXPECT_EQ(poll.connection.deviceIds, remembered.deviceIds);
    EXPECT_EQ(poll.connection.timeout, milliseconds(1000));
    EXPECT_EQ(poll.connection.retries, 0);
    EXPECT_EQ(poll.every, milliseconds(1000));
    EXPECT_FALSE(poll.duration.has_value());
    EXPECT_TRUE(config->writable.empty());

    const struct {
        const char* every;
        milliseconds period;
    } periods[] = {{"\"2m\"", milliseconds(120'000)},
                   {"0.25", milliseconds(250)},
                   {"\"1m30s\"", milliseconds(90'000)},
                   {"\"3\"", milliseconds(3000)}};
    for (const auto& c : periods) {
        const auto timed =
            Parse(std::string(kBroker) + "[[line]]\nport = 1\nevery = " + c.every, error);
        ASSERT_TRUE(timed.has_value()) << c.every << ": " << error;
        EXPECT_EQ(timed->lines[0].poll.every, c.period) << c.every;
    }
    const auto quiet = Parse(std::string(kBroker) +
                                 "discovery = false\n[[line]]\nport = 1\n"
                                 "[writes]\nallow = [\"all-settings\"]\n",
                             error);
    ASSERT_TRUE(quiet.has_value()) << error;
    EXPECT_FALSE(quiet->topics.discoveryPrefix.has_value());
    EXPECT_EQ(quiet->writable.size(), WritableSettings().size());
}

TEST_F(GatewayConfigTest, EachFaultIsRefusedWithTheFileTheLineAndTheKey) {
    const std::string line = std::string(kBroker) + "[[line]]\nport = 2\n";  // lines 1 to 4
    struct Case {
        std::string text;
        std::string error;  // what the message starts with
    };
    const Case cases[] = {
        // Values the matching option would refuse.
        {line + "baud = 9601\n",
         "gateway.toml:5: line[1].baud: 9601 is not one of " + BaudRateList()},
        {line + "ids = \"1,x\"\n",
         "gateway.toml:5: line[1].ids: x is not a device ID from 1 to 50 or a range such as 1-4"},
        {line + "ids = 51\n", "gateway.toml:5: line[1].ids: 51 is not a device ID from 1 to 50"},
        {line + "ids = \"4-2\"\n", "gateway.toml:5: line[1].ids: the range 4-2 runs backwards"},
        {line + "every = \"0\"\n",
         "gateway.toml:5: line[1].every: 0 is not a period such as 1, 0.5s or 2m"},
        {line + "every = \"2d\"\n",
         "gateway.toml:5: line[1].every: 2d is longer than the longest period, 86400 s (a day)"},
        {line + "every = 0.0001\n",
         "gateway.toml:5: line[1].every: 0.0001 is shorter than the shortest period, 0.001 s"},
        {line + "timeout_ms = 5\n",
         "gateway.toml:5: line[1].timeout_ms: 5 is not a number of milliseconds from 10 to "
         "60000"},
        {line + "retries = 11\n",
         "gateway.toml:5: line[1].retries: 11 is not a whole number from 0 to 10"},
        {line + "retries = -1\n",
         "gateway.toml:5: line[1].retries: -1 is not a whole number from 0 to 10"},
        {std::string(kBroker) + "[[line]]\nport = 256\n",
         "gateway.toml:4: line[1].port: 256 is not a COM port number from 1 to 255 or a device "
         "path such as /dev/ttyUSB0"},
        {std::string(kBroker) + "[[line]]\nport = \"ttyUSB0\"\n",
         "gateway.toml:4: line[1].port: ttyUSB0 is not a COM port number"},
        {line + "name = \"battery room\"\n",
         "gateway.toml:5: line[1].name: \"battery room\" is not a name of letters, digits, '-' "
         "and '_' (it names the line in topics and ids)"},
        {line + "name = \"\"\n", "gateway.toml:5: line[1].name: \"\" is not a name of letters"},
        {"[broker]\nurl = \"http://example.org\"\n[[line]]\nport = 2\n",
         "gateway.toml:2: broker.url: http://example.org is not mqtt://HOST"},
        {"[broker]\nurl = \"mqtt://h\"\ntopic_prefix = \"meters/#\"\n[[line]]\nport = 2\n",
         "gateway.toml:3: broker.topic_prefix: meters/# is not a topic prefix such as tavr12864"},
        {"[broker]\nurl = \"mqtt://h\"\ndiscovery_prefix = \"/ha\"\n[[line]]\nport = 2\n",
         "gateway.toml:3: broker.discovery_prefix: /ha is not a topic prefix"},
        {"[broker]\nurl = \"mqtt://h\"\ncafile = \"\"\n[[line]]\nport = 2\n",
         "gateway.toml:3: broker.cafile: is empty; give a file's path"},
        // Wrong types.
        {line + "baud = \"9600\"\n",
         "gateway.toml:5: line[1].baud: must be a whole number such as 9600, not a string"},
        {line + "ids = [1, 2]\n",
         "gateway.toml:5: line[1].ids: must be a device ID or a list in quotes such as \"1-4,9\", "
         "not an array"},
        {line + "every = true\n",
         "gateway.toml:5: line[1].every: must be a period such as \"0.5s\" or a number of "
         "seconds, not true or false"},
        {line + "retries = 1.5\n",
         "gateway.toml:5: line[1].retries: must be a whole number, not a decimal number"},
        {std::string(kBroker) + "[[line]]\nport = 2.0\n",
         "gateway.toml:4: line[1].port: must be a device path in quotes or a COM port number, "
         "not a decimal number"},
        {line + "name = 3\n",
         "gateway.toml:5: line[1].name: must be a string in quotes, not an "
         "integer"},
        {"[broker]\nurl = 1883\n[[line]]\nport = 2\n",
         "gateway.toml:2: broker.url: must be a string in quotes, not an integer"},
        {std::string(kBroker) + "discovery = \"no\"\n[[line]]\nport = 2\n",
         "gateway.toml:3: broker.discovery: must be true or false, not a string"},
        {"broker = \"mqtt://h\"\n[[line]]\nport = 2\n",
         "gateway.toml:1: broker: must be a table: [broker], not a string"},
        {std::string(kBroker) + "[line]\nport = 2\n",
         "gateway.toml:3: line: must be one [[line]] table per serial line, not a table"},
        {line + "[writes]\nallow = \"capacity_ah\"\n",
         "gateway.toml:6: writes.allow: must be a list such as [\"capacity_ah\"], not a string"},
        {line + "[writes]\nallow = [9]\n",
         "gateway.toml:6: writes.allow: must be a list of setting keys in quotes, not an integer"},
        // Unknown keys and tables, a password, contradictions.
        {line + "speed = 9600\n",
         "gateway.toml:5: line[1].speed: unknown key; [[line]] takes port, baud, ids, every, "
         "timeout_ms, retries and name"},
        {"[broker]\nurl = \"mqtt://h\"\nhost = \"h\"\n[[line]]\nport = 2\n",
         "gateway.toml:3: broker.host: unknown key; [broker] takes url, username, password_file, "
         "cafile, topic_prefix, discovery_prefix and discovery"},
        {line + "[mqtt]\nqos = 1\n",
         "gateway.toml:5: mqtt: unknown table; the file holds [broker], [[line]] and [writes]"},
        {"debug = true\n" + line,
         "gateway.toml:1: debug: unknown key; the file holds [broker], [[line]] and [writes]"},
        {line + "[writes]\ndeny = [\"capacity_ah\"]\n",
         "gateway.toml:6: writes.deny: unknown key; [writes] takes allow"},
        {line + "[writes]\nallow = [\"capacity_ah\", \"address\"]\n",
         "gateway.toml:6: writes.allow: address is not a setting that can be written over MQTT; "
         "one of all-settings, capacity_ah,"},
        {"[broker]\nurl = \"mqtt://h\"\npassword = \"s3cret\"\n[[line]]\nport = 2\n",
         "gateway.toml:3: broker.password: a password is never kept in the configuration: name a "
         "file only its owner may read with password_file, or set the environment variable "
         "TAVR_MQTT_PASSWORD"},
        {"[broker]\nurl = \"mqtt://h\"\ndiscovery = false\ndiscovery_prefix = \"ha\"\n"
         "[[line]]\nport = 2\n",
         "gateway.toml:3: broker.discovery: false, yet broker.discovery_prefix is given; keep one "
         "of them"},
        // Lines that clash, missing parts.
        {line + "[[line]]\nport = \"2\"\n",
         "gateway.toml:6: line[2].port: COM2 is the port of line[1] too; each line has a port of "
         "its own"},
        {line + "name = \"a\"\n[[line]]\nport = 3\nname = \"a\"\n",
         "gateway.toml:8: line[2].name: a names line[1] too; each line has a name of its own"},
        {std::string(kBroker) + "[[line]]\nbaud = 9600\n",
         "gateway.toml:3: line[1].port: is required: a serial device's path such as "
         "/dev/serial/by-id/... or a COM port number"},
        {"[broker]\nusername = \"u\"\n[[line]]\nport = 2\n",
         "gateway.toml:1: broker.url: is required: mqtt://HOST[:PORT] or mqtts://HOST[:PORT]"},
        {"[[line]]\nport = 2\n",
         "gateway.toml: no [broker]: its url (mqtt://HOST or mqtts://HOST) is required"},
        {kBroker, "gateway.toml: no [[line]]: the gateway needs at least one serial line"},
        {"line = []\n" + std::string(kBroker),
         "gateway.toml:1: line: must be one [[line]] table per serial line, not an array"},
        // Of several faults, the earliest line's is told.
        {line + "retries = 11\nbaud = 1\n",
         "gateway.toml:5: line[1].retries: 11 is not a whole number"},
        {"[[line]]\nport = 0\n", "gateway.toml:2: line[1].port: 0 is not a COM port number"},
        // Not TOML.
        {"[broker\nurl = \"mqtt://h\"\n", "gateway.toml:1: "},
        {std::string(kBroker) + "[[line]]\nport = 2\nport = 3\n", "gateway.toml:5: "},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(Parse(c.text, error).has_value()) << c.text;
        EXPECT_THAT(error, StartsWith(c.error)) << c.text;
    }
}

TEST_F(GatewayConfigTest, AFileThatCannotBeReadIsNamed) {
    std::string error;
    const std::string missing = (Home() / "none.toml").string();
    EXPECT_FALSE(ReadGatewayConfig(missing, error).has_value());
    EXPECT_EQ(error, "cannot read the configuration " + missing + ": No such file or directory");
    EXPECT_FALSE(ReadGatewayConfig(Home().string(), error).has_value());
    EXPECT_THAT(error, StartsWith("cannot read the configuration " + Home().string() + ": "));
    const std::string huge = Write("huge.toml", std::string(1024 * 1024 + 1, '#'));
    EXPECT_FALSE(ReadGatewayConfig(huge, error).has_value());
    EXPECT_EQ(error, "the configuration " + huge + " is longer than 1 MiB; is it the right file?");
}

TEST_F(GatewayConfigTest, PublishRunsWithTheFileAndTheOptionsGivenInItsPlace) {
    const std::string password = Write("broker-password", "s3cret\n", 0600);
    const std::string file = Write("gateway.toml", R"([broker]
url = "mqtt://127.0.0.1"
username = "tavr"
password_file = "broker-password"
topic_prefix = "site"

[[line]]
port = "/dev/ttyUSB0"
baud = 9600
ids = "1-2"
retries = 1

[writes]
allow = ["capacity_ah"]
)");
    const PublishChoice fromFile = Choose({"--config", file});
    ASSERT_EQ(fromFile.status, ExitStatus::Done) << fromFile.err;
    const PublishOptions& options = *fromFile.options;
    EXPECT_EQ(options.mqtt.broker.Text(), "mqtt://127.0.0.1:1883");
    EXPECT_EQ(options.mqtt.username, "tavr");
    EXPECT_EQ(options.mqtt.password, "s3cret");  // the file beside the configuration
    EXPECT_EQ(options.topics.prefix, "site");
    EXPECT_EQ(options.mqtt.will.topic, "site/availability");
    ASSERT_EQ(options.lines.size(), 1u);
    EXPECT_EQ(options.lines[0].poll.connection.baud, 9600);
    EXPECT_THAT(options.writable, ElementsAre(AddressOf("capacity_ah")));

    const PublishChoice overridden =
        Choose({"--config", file, "--broker", "mqtts://broker.lan", "--topic-prefix", "other",
                "--no-discovery", "--port", "5", "--id", "3", "--every", "0.5", "--for", "10s",
                "--allow-write", "alarm_delay_s", "--allow-write", "backlight_off_s"});
    ASSERT_EQ(overridden.status, ExitStatus::Done) << overridden.err;
    const PublishOptions& merged = *overridden.options;
    EXPECT_EQ(merged.mqtt.broker.Text(), "mqtts://broker.lan:8883");
    EXPECT_EQ(merged.mqtt.username, "tavr");
    EXPECT_EQ(merged.topics.prefix, "other");
    EXPECT_FALSE(merged.topics.discoveryPrefix.has_value());
    const PollPlan& poll = merged.lines[0].poll;
    EXPECT_EQ(poll.connection.PortName(), "COM5");
    EXPECT_EQ(poll.connection.baud, 9600);  // the file's, not given
    EXPECT_EQ(poll.connection.retries, 1);
    EXPECT_THAT(poll.connection.deviceIds, ElementsAre(3));
    EXPECT_EQ(poll.every, milliseconds(500));
    EXPECT_EQ(poll.duration, milliseconds(10'000));
    EXPECT_THAT(merged.writable,
                ElementsAre(AddressOf("alarm_delay_s"), AddressOf("backlight_off_s")));

    // Without a configuration the command line alone chooses, as always.
    const PublishChoice flagsOnly =
        Choose({"--broker", "mqtt://h", "--port", "4", "--allow-write", "all-settings"});
    ASSERT_EQ(flagsOnly.status, ExitStatus::Done) << flagsOnly.err;
    ASSERT_EQ(flagsOnly.options->lines.size(), 1u);
    EXPECT_EQ(flagsOnly.options->lines[0].poll.connection.PortName(), "COM4");
    EXPECT_EQ(flagsOnly.options->lines[0].poll.connection.retries, 0);
    EXPECT_EQ(flagsOnly.options->writable.size(), WritableSettings().size());
    EXPECT_TRUE(Choose({"--broker", "mqtt://h", "--port", "4"}).options->writable.empty());
}

TEST_F(GatewayConfigTest, PublishRefusesWhatDoesNotMergeWithExitTwo) {
    const std::string twoLines =
        Write("two.toml", std::string(kBroker) + "[[line]]\nport = 1\n[[line]]\nport = 2\n");
    const std::string secure =
        Write("secure.toml",
              "[broker]\nurl = \"mqtts://h\"\ncafile = \"/etc/ssl/certs\"\n[[line]]\n"
              "port = 1\n");
    const std::string open = Write("open-password", "s3cret\n", 0644);
    const std::string exposed =
        Write("exposed.toml", std::string(kBroker) +
                                  "username = \"u\"\npassword_file = \"open-password\"\n[[line]]\n"
                                  "port = 1\n");
    const std::string broken =
        Write("broken.toml", std::string(kBroker) + "[[line]]\nport = 1\nbaud = 1\n");
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"--config", twoLines, "--baud", "9600"},
         "--port, --baud, --id, --timeout, --retries and --every set the line of a configuration "
         "with one line; " +
             twoLines + " has 2: set them in its [[line]] tables"},
        {{"--config", twoLines, "--every", "2"},
         "--port, --baud, --id, --timeout, --retries and --every set the line"},
        {{"--config", twoLines, "--allow-write", "address"},
         "--allow-write: address is not a setting that can be written over MQTT"},
        {{"--broker", "mqtt://h", "--allow-write", "capacity"},
         "--allow-write: capacity is not a setting"},
        {{"--config", secure, "--broker", "mqtt://h"},
         secure + ":3: broker.cafile needs an mqtts:// broker"},
        {{"--config", exposed},
         exposed + ":4: broker.password_file: password file not used: " +
             (Home() / "open-password").string() + " may be read or written by others"},
        {{"--config", broken}, broken + ":5: line[1].baud: 1 is not one of"},
        {{"--config", (Home() / "none.toml").string()}, "cannot read the configuration"},
        {{}, "--broker mqtt://HOST[:PORT] or mqtts://HOST[:PORT] is required (or --config FILE)"},
    };
    for (const Case& c : cases) {
        const PublishChoice choice = Choose(c.arguments);
        EXPECT_EQ(choice.status, ExitStatus::BadUsage) << testing::PrintToString(c.arguments);
        EXPECT_FALSE(choice.options.has_value());
        EXPECT_THAT(choice.err, StartsWith("tavr-12864-cli publish: " + c.message))
            << testing::PrintToString(c.arguments);
    }
}

TEST_F(GatewayConfigTest, AReloadReadsTheFileAgainUnderTheSameCommandLine) {
    const std::string file =
        Write("gateway.toml", std::string(kBroker) + "[[line]]\nport = 1\nbaud = 9600\n");
    const PublishChoice choice = Choose({"--config", file, "--topic-prefix", "site", "--id", "4"});
    ASSERT_EQ(choice.status, ExitStatus::Done) << choice.err;

    Write("gateway.toml", std::string(kBroker) + "[[line]]\nport = 3\nbaud = 4800\n");
    std::string error;
    const std::optional<PublishOptions> again = choice.reload(error);
    ASSERT_TRUE(again.has_value()) << error;
    EXPECT_EQ(again->topics.prefix, "site");
    EXPECT_EQ(again->lines[0].poll.connection.PortName(), "COM3");
    EXPECT_EQ(again->lines[0].poll.connection.baud, 4800);
    EXPECT_THAT(again->lines[0].poll.connection.deviceIds, ElementsAre(4));

    Write("gateway.toml", std::string(kBroker) + "[[line]]\nport = 3\n[[line]]\nport = 4\n");
    EXPECT_FALSE(choice.reload(error).has_value());
    EXPECT_THAT(error, HasSubstr("--port, --baud, --id"));
    Write("gateway.toml", "[broker\n");
    EXPECT_FALSE(choice.reload(error).has_value());
    EXPECT_THAT(error, StartsWith(file + ":1: "));

    // Without a configuration there is nothing to read again: a hang-up ends publish then.
    const PublishChoice flagsOnly = Choose({"--broker", "mqtt://h", "--port", "6"});
    ASSERT_EQ(flagsOnly.status, ExitStatus::Done) << flagsOnly.err;
    EXPECT_FALSE(flagsOnly.reload);
}

}  // namespace
}  // namespace tavr
