#include <unistd.h>

#include <array>

#include "companion/cli/command_line.h"
#include "companion/cli/connection_options.h"
#include "companion/cli/duration_text.h"
#include "companion/cli/value_checks.h"
#include "companion/commands/sub_commands.h"
#include "companion/publish/password_source.h"
#include "companion/publish/publish_run.h"

namespace tavr {

namespace {

constexpr char kPublishDescription[] =
    "Polls the meters on one line, one request at a time, and publishes each reading to an MQTT "
    "broker at QoS 1: P/<device>/state (JSON: the time, the measurements in their units and the "
    "power computed as voltage x current), P/<device>/availability (retained online/offline; "
    "offline after 3 cycles without an answer) and a Home Assistant discovery config per "
    "measurement. While the broker is away (at the start too) the readings wait, up to 10000 "
    "messages (then the oldest are dropped and counted), and go out in order after reconnecting "
    "(waits of 1 s doubling to 30 s). Ctrl+C ends it.";

constexpr char kPublishExitCodes[] =
    "Exit codes: 0 done, 1 no meter answered, 2 bad usage, 3 the port could not be opened (with "
    "--for; without it, publish waits for the port), 4 the broker refused the login or TLS failed "
    "(a broker that cannot be reached is tried again; with --for, a run that never reached it).";

// What the command line gives publish, as given.
struct PublishArguments {
    std::string broker;
    std::optional<std::string> username;
    std::optional<std::string> passwordFile;
    std::optional<std::string> caFile;
    std::string topicPrefix = TopicPlan().prefix;
    std::optional<std::string> discoveryPrefix;
    bool noDiscovery = false;
    bool allowPlaintext = false;
    std::string every = "1";
    std::optional<std::string> duration;
};

// Declares publish's own options on `line`.
void DeclareOptions(CommandLine& line, PublishArguments& given) {
    CLI::App& app = line.App();
    app.add_option("--broker", given.broker,
                   "mqtt://HOST[:PORT] (port 1883) or mqtts://HOST[:PORT] (TLS, port 8883; "
                   "certificate and host name checked)")
        ->type_name("URL");
    app.add_option("--username", given.username, "the broker user")->type_name("U");
    app.add_option("--password-file", given.passwordFile,
                   "the password: the first line of F, a file of yours no one else may read "
                   "(chmod 600 F); or set the variable TAVR_MQTT_PASSWORD. Never on the command "
                   "line")
        ->type_name("F");
    app.add_option("--cafile", given.caFile,
                   "with mqtts://, the CA certificate (PEM) that signed the broker's (default: "
                   "the system's CAs)")
        ->type_name("F");
    app.add_option("--topic-prefix", given.topicPrefix,
                   "the topics' first levels (default tavr12864)")
        ->type_name("P");
    CLI::Option* discovery = app.add_option("--discovery-prefix", given.discoveryPrefix,
                                            "the discovery prefix (default homeassistant)")
                                 ->type_name("D");
    line.AddFlag("--no-discovery", given.noDiscovery, "publish no discovery configs")
        ->excludes(discovery);
    app.add_option("--every", given.every, "seconds between cycles (decimals allowed; default 1)")
        ->type_name("S")
        ->check(SecondsCheck());
    app.add_option("--for", given.duration,
                   "stop after D: 90, 90s, 10m, 2h or 1d (default: Ctrl+C)")
        ->type_name("D")
        ->check(DurationCheck());
    line.AddFlag("--allow-plaintext-password", given.allowPlaintext,
                 "send the password over mqtt:// to another host");
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
std::string ChooseBroker(const PublishArguments& given, MqttConnectOptions& mqtt) {
    if (given.broker.empty()) {
        return "--broker mqtt://HOST[:PORT] or mqtts://HOST[:PORT] is required";
    }
    std::string error;
    const std::optional<BrokerUrl> url = ParseBrokerUrl(given.broker, error);
    if (!url) {
        return "--broker: " + error;
    }
    mqtt.broker = *url;
    mqtt.clientId = ClientId();
    mqtt.username = given.username;
    if (given.passwordFile) {
        mqtt.password = ReadPasswordFile(*given.passwordFile, error);
        if (!mqtt.password) {
            return error;
        }
    } else {
        mqtt.password = PasswordFromEnvironment();
    }
    if (mqtt.password && !mqtt.username) {
        return "a password needs --username";
    }
    if (mqtt.password && !url->tls && !url->IsLoopback() && !given.allowPlaintext) {
        return "refusing to send the password unencrypted to " + url->host +
               ": use mqtts:// (or --allow-plaintext-password)";
    }
    if (given.caFile) {
        if (!url->tls) {
            return "--cafile needs an mqtts:// broker";
        }
        if (access(given.caFile->c_str(), R_OK) != 0) {
            return "--cafile: cannot read " + *given.caFile;
        }
        mqtt.caFile = *given.caFile;
    }
    return "";
}

// The topics; an empty string when they are sound, else why not.
std::string ChooseTopics(const PublishArguments& given, TopicPlan& topics) {
    if (!IsTopicPrefix(given.topicPrefix)) {
        return "--topic-prefix: " + given.topicPrefix + " is not a topic prefix such as tavr12864";
    }
    topics.prefix = given.topicPrefix;
    if (given.discoveryPrefix) {
        if (!IsTopicPrefix(*given.discoveryPrefix)) {
            return "--discovery-prefix: " + *given.discoveryPrefix + " is not a topic prefix";
        }
        topics.discoveryPrefix = given.discoveryPrefix;
    }
    if (given.noDiscovery) {
        topics.discoveryPrefix.reset();
    }
    return "";
}

// A password on the command line would be seen by every user of the machine (ps, /proc).
bool NamesAPassword(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--password" || argument.starts_with("--password=")) {
            return true;
        }
    }
    return false;
}

}  // namespace

ExitStatus RunPublishCommand(const std::vector<std::string>& arguments, Console& console) {
    CommandLine line("publish", kPublishDescription);
    line.App().footer(kPublishExitCodes);
    PublishArguments given;
    DeclareOptions(line, given);
    const ConnectionOptions connectionOptions(line.App(), MeterCount::Several,
                                              "0: a cycle asks each meter once");
    if (NamesAPassword(arguments)) {
        return line.UsageError(console,
                               "a password is never taken on the command line: use "
                               "--password-file F or the environment variable " +
                                   std::string(kPasswordVariable));
    }
    if (const auto ended = line.Parse(arguments, console)) {
        return *ended;
    }
    if (const auto refused = line.RefuseArguments(console)) {
        return *refused;
    }
    PublishOptions options;
    std::string error = ChooseBroker(given, options.mqtt);
    if (error.empty()) {
        error = ChooseTopics(given, options.topics);
    }
    if (!error.empty()) {
        return line.UsageError(console, error);
    }
    std::string problem;
    PollPlan& poll = options.lines.emplace_back().poll;
    poll.every = *ParseSeconds(given.every, problem);
    if (given.duration) {
        poll.duration = ParseDuration(*given.duration, problem);
    }
    poll.connection = connectionOptions.Choose();
    if (!connectionOptions.RetriesGiven()) {
        poll.connection.retries = 0;  // a cycle is one request per meter
    }
    options.mqtt.will = {options.topics.GatewayAvailabilityTopic(), kOffline, true};
    return RunPublish(options, console);
}

}  // namespace tavr
