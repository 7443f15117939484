#include <unistd.h>

#include <algorithm>
#include <array>

#include "companion/cli/connection_options.h"
#include "companion/cli/duration_text.h"
#include "companion/commands/sub_commands.h"
#include "companion/publish/password_source.h"
#include "companion/publish/publish_run.h"

namespace tavr {

namespace {

constexpr std::string_view kCommand = "publish";
constexpr std::string_view kNoDiscovery = "--no-discovery";
constexpr std::string_view kAllowPlaintext = "--allow-plaintext-password";

std::string PublishHelp() {
    return "usage: tavr-12864-cli publish --broker mqtt://HOST[:PORT]|mqtts://HOST[:PORT]\n"
           "         [--username U [--password-file F]] [--cafile F] [--topic-prefix P]\n"
           "         [--discovery-prefix D | --no-discovery] [--every S] [--for D]\n"
           "         [--id LIST] [--port N] [--baud B] [--allow-plaintext-password]\n"
           "Polls the meters on one line, one request at a time, and publishes each\n"
           "reading to an MQTT broker at QoS 1: P/<device>/state (JSON: the time, the\n"
           "measurements in their units and the power computed as voltage x current),\n"
           "P/<device>/availability (retained online/offline; offline after 3 cycles\n"
           "without an answer) and a Home Assistant discovery config per measurement.\n"
           "While the broker is away the readings wait, up to 10000 messages (then the\n"
           "oldest are dropped and counted), and go out in order after reconnecting\n"
           "(waits of 1 s doubling to 30 s). Ctrl+C ends it.\n"
           "  --broker URL        mqtt://HOST[:PORT] (port 1883) or mqtts://HOST[:PORT]\n"
           "                      (TLS, port 8883; certificate and host name checked)\n"
           "  --username U        the broker user\n"
           "  --password-file F   the password: the first line of F, a file of yours no\n"
           "                      one else may read (chmod 600 F); or set the variable\n"
           "                      TAVR_MQTT_PASSWORD. Never on the command line\n"
           "  --cafile F          with mqtts://, the CA certificate (PEM) that signed the\n"
           "                      broker's (default: the system's CAs)\n"
           "  --topic-prefix P    the topics' first levels (default tavr12864)\n"
           "  --discovery-prefix D  the discovery prefix (default homeassistant)\n"
           "  --no-discovery      publish no discovery configs\n"
           "  --every S           seconds between cycles (decimals allowed; default 1)\n"
           "  --for D             stop after D: 90, 90s, 10m, 2h or 1d (default: Ctrl+C)\n"
           "  --allow-plaintext-password  send the password over mqtt:// to another host\n" +
           ConnectionOptionsHelp(MeterCount::Several, "0: a cycle asks each meter once") +
           "Exit codes: 0 done, 1 no meter answered, 2 bad usage, 3 the port could not be\n"
           "opened, 4 the broker could not be reached, TLS failed or it refused the login.\n";
}

// Removes the flag from the arguments; true when it was there.
bool TakeFlag(std::vector<std::string>& arguments, std::string_view flag) {
    const auto found = std::find(arguments.begin(), arguments.end(), flag);
    if (found == arguments.end()) {
        return false;
    }
    arguments.erase(found);
    return true;
}

// A topic prefix: levels without wildcards, not starting or ending with '/'.
bool IsTopicPrefix(const std::string& text) {
    return !text.empty() && text.find_first_of("+#") == std::string::npos && text.front() != '/' &&
           text.back() != '/' && text.find("//") == std::string::npos;
}

std::string ClientId() {
    std::array<char, 64> host{};
    gethostname(host.data(), host.size() - 1);
    return "tavr12864-" + std::string(host.data()) + "-" + std::to_string(getpid());
}

// The options of the broker connection; an empty string when they are sound, else why not.
std::string ChooseBroker(const CommandArguments& parsed, bool allowPlaintext,
                         MqttConnectOptions& mqtt) {
    const std::optional<std::string> broker = parsed.Option("--broker");
    if (!broker) {
        return "--broker mqtt://HOST[:PORT] or mqtts://HOST[:PORT] is required";
    }
    std::string error;
    const std::optional<BrokerUrl> url = ParseBrokerUrl(*broker, error);
    if (!url) {
        return "--broker: " + error;
    }
    mqtt.broker = *url;
    mqtt.clientId = ClientId();
    mqtt.username = parsed.Option("--username");
    if (const auto file = parsed.Option("--password-file")) {
        mqtt.password = ReadPasswordFile(*file, error);
        if (!mqtt.password) {
            return error;
        }
    } else {
        mqtt.password = PasswordFromEnvironment();
    }
    if (mqtt.password && !mqtt.username) {
        return "a password needs --username";
    }
    if (mqtt.password && !url->tls && !url->IsLoopback() && !allowPlaintext) {
        return "refusing to send the password unencrypted to " + url->host +
               ": use mqtts:// (or --allow-plaintext-password)";
    }
    if (const auto ca = parsed.Option("--cafile")) {
        if (!url->tls) {
            return "--cafile needs an mqtts:// broker";
        }
        if (access(ca->c_str(), R_OK) != 0) {
            return "--cafile: cannot read " + *ca;
        }
        mqtt.caFile = *ca;
    }
    return "";
}

// The topics; an empty string when they are sound, else why not.
std::string ChooseTopics(const CommandArguments& parsed, bool noDiscovery, TopicPlan& topics) {
    topics.prefix = parsed.Option("--topic-prefix").value_or(topics.prefix);
    if (!IsTopicPrefix(topics.prefix)) {
        return "--topic-prefix: " + topics.prefix + " is not a topic prefix such as tavr12864";
    }
    if (const auto discovery = parsed.Option("--discovery-prefix")) {
        if (noDiscovery) {
            return "--discovery-prefix and --no-discovery exclude each other";
        }
        if (!IsTopicPrefix(*discovery)) {
            return "--discovery-prefix: " + *discovery + " is not a topic prefix";
        }
        topics.discoveryPrefix = *discovery;
    }
    if (noDiscovery) {
        topics.discoveryPrefix.reset();
    }
    return "";
}

}  // namespace

ExitStatus RunPublishCommand(const std::vector<std::string>& arguments, Console& console) {
    std::vector<std::string> rest = arguments;
    for (const std::string& argument : rest) {
        if (argument == "--password" || argument.starts_with("--password=")) {
            return UsageError(console, kCommand,
                              "a password is never taken on the command line: use "
                              "--password-file F or the environment variable " +
                                  std::string(kPasswordVariable));
        }
    }
    const bool noDiscovery = TakeFlag(rest, kNoDiscovery);
    const bool allowPlaintext = TakeFlag(rest, kAllowPlaintext);
    const CommandArguments parsed = ParseCommandArguments(
        rest, WithConnectionOptions({"--broker", "--username", "--password-file", "--cafile",
                                     "--topic-prefix", "--discovery-prefix", "--every", "--for"}));
    if (parsed.help) {
        console.out << PublishHelp();
        return ExitStatus::Done;
    }
    if (!parsed.error.empty()) {
        return UsageError(console, kCommand, parsed.error);
    }
    if (!parsed.positionals.empty()) {
        return UsageError(console, kCommand, "unexpected argument " + parsed.positionals[0]);
    }
    PublishOptions options;
    std::string error = ChooseBroker(parsed, allowPlaintext, options.mqtt);
    if (error.empty()) {
        error = ChooseTopics(parsed, noDiscovery, options.topics);
    }
    if (!error.empty()) {
        return UsageError(console, kCommand, error);
    }
    std::string problem;
    if (const auto every = parsed.Option("--every")) {
        const auto period = ParseSeconds(*every, problem);
        if (!period) {
            return UsageError(console, kCommand, "--every: " + *every + " " + problem);
        }
        options.every = *period;
    }
    if (const auto duration = parsed.Option("--for")) {
        options.duration = ParseDuration(*duration, problem);
        if (!options.duration) {
            return UsageError(console, kCommand, "--for: " + *duration + " " + problem);
        }
    }
    const std::optional<ConnectionChoice> choice =
        ChooseConnection(parsed, MeterCount::Several, error);
    if (!choice) {
        return UsageError(console, kCommand, error);
    }
    options.connection = *choice;
    if (!parsed.Option("--retries")) {
        options.connection.retries = 0;  // a cycle is one request per meter
    }
    options.topics.port = options.connection.PortName();
    options.mqtt.will = {options.topics.GatewayAvailabilityTopic(), kOffline, true};
    return RunPublish(options, console);
}

}  // namespace tavr
