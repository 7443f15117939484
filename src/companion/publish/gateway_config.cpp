#include "companion/publish/gateway_config.h"

#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>

#include "companion/cli/connection_values.h"
#include "companion/cli/duration_text.h"
#include "companion/publish/password_source.h"
#include "companion/publish/topic_prefix.h"
#include "companion/publish/writable_settings.h"

namespace tavr {

namespace {

// A configuration is a page of text; a longer file is not one.
constexpr std::size_t kLongestConfig = 1024 * 1024;

constexpr char kBrokerKeys[] =
    "url, username, password_file, cafile, topic_prefix, discovery_prefix and discovery";
constexpr char kLineKeys[] = "port, baud, ids, every, timeout_ms, retries and name";

// A problem found in the file, and the line it is on (none: 0).
struct Problem {
    toml::source_index line;
    std::string text;
};

// "an integer", as a value's type is named in messages.
std::string TypeName(const toml::node& node) {
    switch (node.type()) {
        case toml::node_type::string:
            return "a string";
        case toml::node_type::integer:
            return "an integer";
        case toml::node_type::floating_point:
            return "a decimal number";
        case toml::node_type::boolean:
            return "true or false";
        case toml::node_type::table:
            return "a table";
        case toml::node_type::array:
            return "an array";
        default:
            return "a date or time";
    }
}

// The number as the command line writes it: "0.0001", never "1e-04".
std::string NumberText(double value) {
    char text[512];  // the largest double in full
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr;
    return std::string(text, end);
}

// The types a line's key takes besides a whole number.
enum class AlsoTaken { Nothing, Strings, StringsAndDecimals };

// The value of a line's key as the command line writes it ("9600", "1-4", "0.5"): its string,
// or the number written out. Nothing for a type the key does not take.
std::optional<std::string> ValueText(const toml::node& node, AlsoTaken also) {
    if (const auto* text = node.as_string(); text != nullptr && also != AlsoTaken::Nothing) {
        return text->get();
    }
    if (const auto* number = node.as_integer()) {
        return std::to_string(number->get());
    }
    if (const auto* number = node.as_floating_point();
        number != nullptr && also == AlsoTaken::StringsAndDecimals) {
        return NumberText(number->get());
    }
    return std::nullopt;
}

std::string PeriodProblem(const std::string& text) {
    std::string problem;
    return ParsePeriod(text, problem) ? "" : text + " " + problem;
}

// A line's name: one topic level and a part of ids, so letters, digits, '-' and '_' only.
bool IsLineName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_';
    });
}

// The reading of one configuration: what it found wrong, told earliest line first.
class ConfigReader {
  public:
    explicit ConfigReader(std::string path) : path_(std::move(path)) {}

    std::optional<GatewayConfig> Read(const toml::table& root) {
        GatewayConfig config;
        RefuseUnknownTables(root);
        ReadBroker(root, config);
        ReadLines(root, config);
        ReadWrites(root, config);
        if (!problems_.empty()) {
            return std::nullopt;
        }
        return config;
    }

    // The problem of the earliest line; those of no line come last.
    std::string FirstProblem() const {
        const auto order = [](const Problem& problem) {
            return problem.line == 0 ? std::numeric_limits<toml::source_index>::max()
                                     : problem.line;
        };
        return std::min_element(
                   problems_.begin(), problems_.end(),
                   [&order](const Problem& a, const Problem& b) { return order(a) < order(b); })
            ->text;
    }

  private:
    // "gateway.toml:12: line[2].baud"
    std::string Where(const toml::source_region& region, const std::string& key) const {
        return path_ + ":" + std::to_string(region.begin.line) + ": " + key;
    }

    void Refuse(const toml::source_region& region, const std::string& key, const std::string& why) {
        problems_.push_back({region.begin.line, Where(region, key) + ": " + why});
    }

    void RefuseType(const toml::node& node, const std::string& key, const std::string& wanted) {
        Refuse(node.source(), key, "must be " + wanted + ", not " + TypeName(node));
    }

    void RefuseUnknownTables(const toml::table& root) {
        for (const auto& [key, node] : root) {
            if (key != "broker" && key != "line" && key != "writes") {
                const bool table = node.is_table() || node.is_array_of_tables();
                Refuse(key.source(), std::string(key.str()),
                       std::string(table ? "unknown table" : "unknown key") +
                           "; the file holds [broker], [[line]] and [writes]");
            }
        }
    }

    // Refuses every key of `table` that `known` does not name; `listing` tells the keys.
    void RefuseUnknownKeys(const toml::table& table, const std::string& name,
                           const std::function<bool(std::string_view key)>& known,
                           const std::string& listing) {
        for (const auto& [key, node] : table) {
            if (!known(key.str())) {
                Refuse(key.source(), name + "." + std::string(key.str()),
                       "unknown key; " + listing);
            }
        }
    }

    // The string at `key`, refusing another type; nothing when it is absent.
    std::optional<std::string> String(const toml::table& table, std::string_view key,
                                      const std::string& name) {
        const toml::node* node = table.get(key);
        if (node == nullptr) {
            return std::nullopt;
        }
        if (!node->is_string()) {
            RefuseType(*node, name, "a string in quotes");
            return std::nullopt;
        }
        return node->as_string()->get();
    }

    // The table at `key` of the root; nothing, refused, for another type.
    const toml::table* Table(const toml::table& root, std::string_view key) {
        const toml::node* node = root.get(key);
        if (node != nullptr && !node->is_table()) {
            RefuseType(*node, std::string(key), "a table: [" + std::string(key) + "]");
            return nullptr;
        }
        return node == nullptr ? nullptr : node->as_table();
    }

    // A path of the file, a relative one taken from the configuration's folder.
    std::string BesideConfig(const std::string& path) const {
        if (path.empty() || path.starts_with('/')) {
            return path;
        }
        return (std::filesystem::path(path_).parent_path() / path).string();
    }

    std::optional<NamedFile> File(const toml::table& table, std::string_view key,
                                  const std::string& name) {
        const std::optional<std::string> path = String(table, key, name);
        if (!path) {
            return std::nullopt;
        }
        if (path->empty()) {
            Refuse(table.get(key)->source(), name, "is empty; give a file's path");
            return std::nullopt;
        }
        return NamedFile{BesideConfig(*path), Where(table.get(key)->source(), name)};
    }

    std::optional<std::string> TopicPrefix(const toml::table& table, std::string_view key,
                                           const std::string& name) {
        std::optional<std::string> prefix = String(table, key, name);
        if (prefix && !IsTopicPrefix(*prefix)) {
            Refuse(table.get(key)->source(), name,
                   *prefix + " is not a topic prefix such as tavr12864");
            return std::nullopt;
        }
        return prefix;
    }

    void ReadBroker(const toml::table& root, GatewayConfig& config) {
        const toml::table* broker = Table(root, "broker");
        if (broker == nullptr) {
            if (!root.contains("broker")) {
                problems_.push_back(
                    {0, path_ + ": no [broker]: its url (mqtt://HOST or mqtts://HOST) is "
                                "required"});
            }
            return;
        }
        if (const toml::node* password = broker->get("password")) {
            Refuse(password->source(), "broker.password",
                   "a password is never kept in the configuration: name a file only its owner "
                   "may read with password_file, or set the environment variable " +
                       std::string(kPasswordVariable));
        }
        RefuseUnknownKeys(
            *broker, "broker",
            [](std::string_view key) {
                return key == "password" || key == "url" || key == "username" ||
                       key == "password_file" || key == "cafile" || key == "topic_prefix" ||
                       key == "discovery_prefix" || key == "discovery";
            },
            std::string("[broker] takes ") + kBrokerKeys);
        ReadBrokerUrl(*broker, config);
        config.username = String(*broker, "username", "broker.username");
        config.passwordFile = File(*broker, "password_file", "broker.password_file");
        config.caFile = File(*broker, "cafile", "broker.cafile");
        if (const auto prefix = TopicPrefix(*broker, "topic_prefix", "broker.topic_prefix")) {
            config.topics.prefix = *prefix;
        }
        if (const auto prefix =
                TopicPrefix(*broker, "discovery_prefix", "broker.discovery_prefix")) {
            config.topics.discoveryPrefix = *prefix;
        }
        ReadDiscovery(*broker, config);
    }

    void ReadBrokerUrl(const toml::table& broker, GatewayConfig& config) {
        if (!broker.contains("url")) {
            Refuse(broker.source(), "broker.url",
                   "is required: mqtt://HOST[:PORT] or mqtts://HOST[:PORT]");
            return;
        }
        if (const std::optional<std::string> text = String(broker, "url", "broker.url")) {
            std::string error;
            if (const std::optional<BrokerUrl> url = ParseBrokerUrl(*text, error)) {
                config.broker = *url;
            } else {
                Refuse(broker.get("url")->source(), "broker.url", error);
            }
        }
    }

    void ReadDiscovery(const toml::table& broker, GatewayConfig& config) {
        const toml::node* discovery = broker.get("discovery");
        if (discovery == nullptr) {
            return;
        }
        if (!discovery->is_boolean()) {
            RefuseType(*discovery, "broker.discovery", "true or false");
        } else if (!discovery->as_boolean()->get()) {
            if (broker.contains("discovery_prefix")) {
                Refuse(discovery->source(), "broker.discovery",
                       "false, yet broker.discovery_prefix is given; keep one of them");
            }
            config.topics.discoveryPrefix.reset();
        }
    }

    void ReadLines(const toml::table& root, GatewayConfig& config) {
        const toml::node* lines = root.get("line");
        if (lines != nullptr && !lines->is_array_of_tables()) {
            RefuseType(*lines, "line", "one [[line]] table per serial line");
            return;
        }
        if (lines == nullptr) {
            problems_.push_back(
                {0, path_ + ": no [[line]]: the gateway needs at least one serial line"});
            return;
        }
        const toml::array& tables = *lines->as_array();
        for (std::size_t k = 0; k < tables.size(); ++k) {
            const toml::table& table = *tables[k].as_table();
            const std::string name = "line[" + std::to_string(k + 1) + "]";
            config.lines.push_back(ReadLine(table, name));
            RefuseSharedPortOrName(config.lines, table, name);
        }
    }

    // A connection value of a line, checked by `problem` as the matching option is; nothing,
    // refused, when it is not sound. `kinds` names the types it takes.
    std::optional<std::string> LineValue(const toml::table& table, std::string_view key,
                                         const std::string& name, AlsoTaken also,
                                         const std::string& kinds,
                                         const std::function<std::string(std::string)>& problem) {
        const toml::node* node = table.get(key);
        if (node == nullptr) {
            return std::nullopt;
        }
        const std::optional<std::string> text = ValueText(*node, also);
        if (!text) {
            RefuseType(*node, name, kinds);
            return std::nullopt;
        }
        const std::string why = problem(*text);
        if (!why.empty()) {
            Refuse(node->source(), name, why);
            return std::nullopt;
        }
        return text;
    }

    PublishLine ReadLine(const toml::table& table, const std::string& name) {
        RefuseUnknownKeys(
            table, name,
            [](std::string_view key) {
                return key == "port" || key == "baud" || key == "ids" || key == "every" ||
                       key == "timeout_ms" || key == "retries" || key == "name";
            },
            std::string("[[line]] takes ") + kLineKeys);
        if (!table.contains("port")) {
            Refuse(table.source(), name + ".port",
                   "is required: a serial device's path such as /dev/serial/by-id/... or a COM "
                   "port number");
        }
        ConnectionValues values;
        values.port = LineValue(table, "port", name + ".port", AlsoTaken::Strings,
                                "a device path in quotes or a COM port number", PortProblem);
        values.baud = LineValue(table, "baud", name + ".baud", AlsoTaken::Nothing,
                                "a whole number such as 9600", BaudProblem);
        values.ids = LineValue(table, "ids", name + ".ids", AlsoTaken::Strings,
                               "a device ID or a list in quotes such as \"1-4,9\"",
                               [](const std::string& text) { return IdsProblem(text); });
        values.timeout = LineValue(table, "timeout_ms", name + ".timeout_ms", AlsoTaken::Nothing,
                                   "a whole number of milliseconds", TimeoutProblem);
        values.retries = LineValue(table, "retries", name + ".retries", AlsoTaken::Nothing,
                                   "a whole number", RetriesProblem);
        PublishLine line;
        ConnectionChoice base = RememberedConnection();
        base.retries = 0;  // a cycle asks each meter once
        line.poll.connection = values.AppliedTo(base);
        const std::optional<std::string> every =
            LineValue(table, "every", name + ".every", AlsoTaken::StringsAndDecimals,
                      "a period such as \"0.5s\" or a number of seconds", PeriodProblem);
        if (every) {
            std::string problem;
            line.poll.every = *ParsePeriod(*every, problem);
        }
        if (const auto given = String(table, "name", name + ".name")) {
            if (IsLineName(*given)) {
                line.name = *given;
            } else {
                Refuse(table.get("name")->source(), name + ".name",
                       "\"" + *given +
                           "\" is not a name of letters, digits, '-' and '_' (it names the line "
                           "in topics and ids)");
            }
        }
        return line;
    }

    // Refuses the last of `lines` when an earlier one has its port or its name.
    void RefuseSharedPortOrName(const std::vector<PublishLine>& lines, const toml::table& table,
                                const std::string& name) {
        const PublishLine& last = lines.back();
        for (std::size_t k = 0; k + 1 < lines.size(); ++k) {
            const std::string other = "line[" + std::to_string(k + 1) + "]";
            if (table.contains("port") &&
                lines[k].poll.connection.PortName() == last.poll.connection.PortName()) {
                Refuse(table.get("port")->source(), name + ".port",
                       last.poll.connection.PortName() + " is the port of " + other +
                           " too; each line has a port of its own");
            }
            if (!last.name.empty() && lines[k].name == last.name) {
                Refuse(table.get("name")->source(), name + ".name",
                       last.name + " names " + other + " too; each line has a name of its own");
            }
        }
    }

    void ReadWrites(const toml::table& root, GatewayConfig& config) {
        const toml::table* writes = Table(root, "writes");
        if (writes == nullptr) {
            return;
        }
        RefuseUnknownKeys(
            *writes, "writes", [](std::string_view key) { return key == "allow"; },
            "[writes] takes allow");
        const toml::node* allow = writes->get("allow");
        if (allow == nullptr) {
            return;
        }
        if (!allow->is_array()) {
            RefuseType(*allow, "writes.allow", "a list such as [\"capacity_ah\"]");
            return;
        }
        std::vector<std::string> keys;
        for (const toml::node& entry : *allow->as_array()) {
            std::string error;
            if (!entry.is_string()) {
                RefuseType(entry, "writes.allow", "a list of setting keys in quotes");
            } else if (ParseWriteAllowance({entry.as_string()->get()}, error)) {
                keys.push_back(entry.as_string()->get());
            } else {
                Refuse(entry.source(), "writes.allow", error);
            }
        }
        std::string error;
        config.writable = ParseWriteAllowance(keys, error).value_or(std::vector<std::uint16_t>{});
    }

    std::string path_;
    std::vector<Problem> problems_;
};

}  // namespace

std::optional<GatewayConfig> ParseGatewayConfig(std::string_view text, const std::string& path,
                                                std::string& error) {
    try {
        const toml::table root = toml::parse(text, path);
        ConfigReader reader(path);
        std::optional<GatewayConfig> config = reader.Read(root);
        if (!config) {
            error = reader.FirstProblem();
        }
        return config;
    } catch (const toml::parse_error& failure) {
        error = path + ":" + std::to_string(failure.source().begin.line) + ": " +
                std::string(failure.description());
        return std::nullopt;
    }
}

std::optional<GatewayConfig> ReadGatewayConfig(const std::string& path, std::string& error) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    std::string text;
    std::array<char, 4096> buffer;
    while (file && text.size() <= kLongestConfig) {
        const std::size_t count = std::fread(buffer.data(), 1, buffer.size(), file.get());
        text.append(buffer.data(), count);
        if (count < buffer.size()) {
            break;
        }
    }
    if (!file || std::ferror(file.get()) != 0) {
        error = "cannot read the configuration " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (text.size() > kLongestConfig) {
        error = "the configuration " + path + " is longer than 1 MiB; is it the right file?";
        return std::nullopt;
    }
    return ParseGatewayConfig(text, path, error);
}

}  // namespace tavr
