#include "companion/publish/broker_url.h"

#include <arpa/inet.h>

#include "runtime/whole_number.h"

namespace tavr {

namespace {

constexpr int kPlainPort = 1883;
constexpr int kTlsPort = 8883;
constexpr std::string_view kPlainScheme = "mqtt://";
constexpr std::string_view kTlsScheme = "mqtts://";

std::optional<int> ParsePort(std::string_view text) {
    const auto port = ParseWholeNumber(text, 1, 65535);
    return port ? std::optional(static_cast<int>(*port)) : std::nullopt;
}

bool IsLoopbackAddress(const std::string& host) {
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        return (ntohl(v4.s_addr) >> 24) == 127;
    }
    in6_addr v6{};
    return inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

}  // namespace

bool BrokerUrl::IsLoopback() const {
    return host == "localhost" || IsLoopbackAddress(host);
}

std::string BrokerUrl::Text() const {
    const bool v6 = host.find(':') != std::string::npos;
    return std::string(tls ? kTlsScheme : kPlainScheme) + (v6 ? "[" + host + "]" : host) + ':' +
           std::to_string(port);
}

std::optional<BrokerUrl> ParseBrokerUrl(std::string_view text, std::string& error) {
    BrokerUrl url;
    error = std::string(text) + " is not mqtt://HOST[:PORT] or mqtts://HOST[:PORT]";
    if (text.starts_with(kTlsScheme)) {
        url.tls = true;
        text.remove_prefix(kTlsScheme.size());
    } else if (text.starts_with(kPlainScheme)) {
        text.remove_prefix(kPlainScheme.size());
    } else {
        return std::nullopt;
    }
    if (text.ends_with('/')) {
        text.remove_suffix(1);
    }
    std::string_view portText;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        url.host = std::string(text.substr(1, close - 1));
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) {
            return std::nullopt;
        }
        portText = rest.empty() ? rest : rest.substr(1);
        if (rest == ":") {
            return std::nullopt;
        }
    } else {
        const std::size_t colon = text.find(':');
        url.host = std::string(text.substr(0, colon));
        if (colon != std::string_view::npos) {
            portText = text.substr(colon + 1);
            if (portText.empty()) {
                return std::nullopt;
            }
        }
    }
    if (url.host.empty() || url.host.find_first_of("/@?# ") != std::string::npos) {
        return std::nullopt;
    }
    url.port = url.tls ? kTlsPort : kPlainPort;
    if (!portText.empty()) {
        const std::optional<int> port = ParsePort(portText);
        if (!port) {
            return std::nullopt;
        }
        url.port = *port;
    }
    error.clear();
    return url;
}

}  // namespace tavr
