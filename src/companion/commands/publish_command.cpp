#include <unistd.h>

#include <array>

#include "companion/cli/command_line.h"
#include "companion/cli/connection_options.h"
#include "companion/cli/duration_text.h"
#include "companion/cli/value_checks.h"
#include "companion/commands/publish_command.h"
#include "companion/commands/sub_commands.h"
#include "companion/publish/gateway_config.h"
#include "companion/publish/password_source.h"
#include "companion/publish/topic_prefix.h"
#include "companion/publish/writable_settings.h"

namespace tavr {

namespace {

constexpr char kPublishDescription[] =
    "Polls the meters on one serial line (or on each line of the configuration file that --config "
    "names; the options given override its values, the connection options and --every only "
    "those of a file with one line), one request at a time per line, and publishes each reading "
    "to an MQTT broker at QoS 1: P/<device>/state (JSON: the time, the measurements in their "
    "units and the power computed as voltage x current), P/<device>/availability (retained "
    "online/offline; offline after 3 cycles without an answer) and a Home Assistant discovery "
    "config per measurement. While the broker is away (at the start too) the readings wait, up "
    "to 10000 messages (then the oldest are dropped and counted), and go out in order after "
    "reconnecting (waits of 1 s doubling to 30 s). Ctrl+C ends it.";

constexpr char kPublishExitCodes[] =
    "Exit codes: 0 done, 1 no meter answered, 2 bad usage (also a configuration file that cannot "
    "be read or is not sound), 3 the port could not be opened (with --for; without it, publish "
    "waits for the port), 4 the broker refused the login or TLS failed (a broker that cannot be "
    "reached is tried again; with --for, a run that never reached it).";

// What the command line gives publish, as given.
struct PublishArguments {
    std::optional<std::string> config;
    std::optional<std::string> broker;
    std::optional<std::string> username;
    std::optional<std::string> passwordFile;
    std::optional<std::string> caFile;
    std::optional<std::string> topicPrefix;
    std::optional<std::string> discoveryPrefix;
    bool noDiscovery = false;
    bool allowPlaintext = false;
    std::optional<std::string> every;
    std::optional<std::string> duration;
    std::vector<std::string> allowWrite;
    ConnectionValues connection;
};

// "capacity_ah, full_reset_voltage_v, ...": the keys --allow-write takes.
std::string WritableKeys() {
    std::string keys;
    for (const WritableSetting& setting : WritableSettings()) {
        keys += (keys.empty() ? "" : ", ") + std::string(setting.key);
    }
    return keys;
}

std::string WriteAllowanceProblem(const std::string& key) {
    std::string problem;
    return ParseWriteAllowance({key}, problem) ? "" : problem;
}

// Declares publish's own options on `line`.
void DeclareOptions(CommandLine& line, PublishArguments& given) {
    CLI::App& app = line.App();
    app.add_option("--config", given.config,
                   "the gateway's configuration file (TOML): the broker, the topics, one "
                   "[[line]] per serial line and the settings Home Assistant may write; the "
                   "options below override its values")
        ->type_name("FILE");
    app.add_option("--broker", given.broker,
                   "mqtt://HOST[:PORT] (port 1883) or mqtts://HOST[:PORT] (TLS, port 8883; "
                   "certificate and host name checked); required without --config")
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
    app.add_option("--allow-write", given.allowWrite,
                   "let Home Assistant write the setting KEY (again for each further one; "
                   "all-settings for every one): " +
                       WritableKeys() + ". Replaces the configuration's [writes] allow")
        ->type_name("KEY")
        ->check(Checked(WriteAllowanceProblem))
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    line.AddFlag("--allow-plaintext-password", given.allowPlaintext,
                 "send the password over mqtt:// to another host");
}

std::string ClientId() {
    std::array<char, 64> host{};
    gethostname(host.data(), host.size() - 1);
    return "tavr12864-" + std::string(host.data()) + "-" + std::to_string(getpid());
}

// "--cafile: cannot read ..." or "gateway.toml:4: broker.cafile: cannot read ...".
std::string About(const NamedFile& file, const std::string& problem) {
    return file.where + ": " + problem;
}

// The options of the broker connection; an empty string when they are sound, else why not.
std::string ChooseBroker(const GatewayConfig& config, bool allowPlaintext,
                         MqttConnectOptions& mqtt) {
    const BrokerUrl& url = config.broker;
    mqtt.broker = url;
    mqtt.clientId = ClientId();
    mqtt.username = config.username;
    if (config.passwordFile) {
        std::string error;
        mqtt.password = ReadPasswordFile(config.passwordFile->path, error);
        if (!mqtt.password) {
            return About(*config.passwordFile, error);
        }
    } else {
        mqtt.password = PasswordFromEnvironment();
    }
    if (mqtt.password && !mqtt.username) {
        return "a password needs --username (or username in the configuration's [broker])";
    }
    if (mqtt.password && !url.tls && !url.IsLoopback() && !allowPlaintext) {
        return "refusing to send the password unencrypted to " + url.host +
               ": use mqtts:// (or --allow-plaintext-password)";
    }
    if (config.caFile) {
        if (!url.tls) {
            return config.caFile->where + " needs an mqtts:// broker";
        }
        if (access(config.caFile->path.c_str(), R_OK) != 0) {
            return About(*config.caFile, "cannot read " + config.caFile->path);
        }
        mqtt.caFile = config.caFile->path;
    }
    return "";
}

// The broker and topic options given in place of the configuration's; an empty string when
// they are sound, else why not.
std::string OverrideBroker(const PublishArguments& given, GatewayConfig& config) {
    if (given.broker) {
        std::string error;
        const std::optional<BrokerUrl> url = ParseBrokerUrl(*given.broker, error);
        if (!url) {
            return "--broker: " + error;
        }
        config.broker = *url;
    }
    if (given.username) {
        config.username = given.username;
    }
    if (given.passwordFile) {
        config.passwordFile = NamedFile{*given.passwordFile, "--password-file"};
    }
    if (given.caFile) {
        config.caFile = NamedFile{*given.caFile, "--cafile"};
    }
    if (given.topicPrefix) {
        if (!IsTopicPrefix(*given.topicPrefix)) {
            return "--topic-prefix: " + *given.topicPrefix +
                   " is not a topic prefix such as tavr12864";
        }
        config.topics.prefix = *given.topicPrefix;
    }
    if (given.discoveryPrefix) {
        if (!IsTopicPrefix(*given.discoveryPrefix)) {
            return "--discovery-prefix: " + *given.discoveryPrefix + " is not a topic prefix";
        }
        config.topics.discoveryPrefix = given.discoveryPrefix;
    }
    if (given.noDiscovery) {
        config.topics.discoveryPrefix.reset();
    }
    return "";
}

// The line options given in place of the configuration's only line; an empty string when they
// are sound, else why not.
std::string OverrideLine(const PublishArguments& given, GatewayConfig& config) {
    if (!given.connection.Any() && !given.every) {
        return "";
    }
    if (config.lines.size() > 1) {
        return "--port, --baud, --id, --timeout, --retries and --every set the line of a "
               "configuration with one line; " +
               *given.config + " has " + std::to_string(config.lines.size()) +
               ": set them in its [[line]] tables";
    }
    PollPlan& poll = config.lines.front().poll;
    poll.connection = given.connection.AppliedTo(poll.connection);
    if (given.every) {
        std::string problem;
        poll.every = *ParseSeconds(*given.every, problem);
    }
    return "";
}

// The configuration the command line alone makes: one line, the window's last connection
// unless the options say otherwise, no retries.
std::optional<GatewayConfig> CommandLineConfig(const PublishArguments& given, std::string& error) {
    if (!given.broker) {
        error = "--broker mqtt://HOST[:PORT] or mqtts://HOST[:PORT] is required (or --config FILE)";
        return std::nullopt;
    }
    GatewayConfig config;
    PollPlan& poll = config.lines.emplace_back().poll;
    poll.connection = RememberedConnection();
    poll.connection.retries = 0;  // a cycle asks each meter once
    return config;
}

// The options publish runs with: the configuration file's, if one is given, with the command
// line's in their place. Nothing, with `error` set, when they are not sound.
std::optional<PublishOptions> ChooseOptions(const PublishArguments& given, std::string& error) {
    std::optional<GatewayConfig> config =
        given.config ? ReadGatewayConfig(*given.config, error) : CommandLineConfig(given, error);
    if (!config) {
        return std::nullopt;
    }
    error = OverrideBroker(given, *config);
    if (error.empty()) {
        error = OverrideLine(given, *config);
    }
    PublishOptions options;
    if (error.empty()) {
        error = ChooseBroker(*config, given.allowPlaintext, options.mqtt);
    }
    if (!error.empty()) {
        return std::nullopt;
    }
    if (!given.allowWrite.empty()) {
        config->writable = *ParseWriteAllowance(given.allowWrite, error);
    }
    options.lines = config->lines;
    options.topics = config->topics;
    options.writable = config->writable;
    if (given.duration) {
        std::string problem;
        const auto duration = ParseDuration(*given.duration, problem);
        for (PublishLine& line : options.lines) {
            line.poll.duration = duration;
        }
    }
    options.mqtt.will = {options.topics.GatewayAvailabilityTopic(), kOffline, true};
    return options;
}

// Reads the configuration file again under the same command line; without one, the options
// stay as they are.
PublishReload ReloadFor(const PublishArguments& given, const PublishOptions& options) {
    if (!given.config) {
        return [options](std::string&) { return std::optional(options); };
    }
    return [given](std::string& error) { return ChooseOptions(given, error); };
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

ExitStatus RunPublishCommand(const std::vector<std::string>& arguments, Console& console,
                             const PublishRunner& run) {
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
    given.connection = connectionOptions.Values();
    std::string error;
    const std::optional<PublishOptions> options = ChooseOptions(given, error);
    if (!options) {
        return line.UsageError(console, error);
    }
    return run(*options, console, ReloadFor(given, *options));
}

ExitStatus RunPublishCommand(const std::vector<std::string>& arguments, Console& console) {
    return RunPublishCommand(arguments, console, RunPublish);
}

}  // namespace tavr
