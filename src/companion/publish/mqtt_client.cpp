#include "companion/publish/mqtt_client.h"

#include <mosquitto.h>
#include <poll.h>
#include <sys/eventfd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace tavr {

namespace {

constexpr int kQos = 1;
constexpr int kKeepAliveSeconds = 30;
constexpr unsigned kFirstReconnectSeconds = 1;
constexpr unsigned kLongestReconnectSeconds = 30;
constexpr unsigned kMostInFlight = 20;
constexpr int kVerifyPeer = 1;

void InitialiseLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

std::string ReasonText(int code) {
    if (code == MOSQ_ERR_ERRNO) {
        return std::strerror(errno);
    }
    return mosquitto_strerror(code);
}

void Signal(const UniqueFd& fd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(fd.Get(), &one, sizeof one);
}

}  // namespace

MqttClient::MqttClient(Handlers handlers)
    : handlers_(std::move(handlers)), answered_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    InitialiseLibraryOnce();
}

MqttClient::~MqttClient() {
    Disconnect();
    if (client_ != nullptr) {
        mosquitto_destroy(client_);
    }
}

bool MqttClient::Configure(const MqttConnectOptions& options, std::string& error) {
    client_ = mosquitto_new(options.clientId.c_str(), true, this);
    if (client_ == nullptr) {
        error = "cannot set up an MQTT client: " + std::string(std::strerror(errno));
        return false;
    }
    int code = MOSQ_ERR_SUCCESS;
    const auto step = [&code](int result) {
        if (code == MOSQ_ERR_SUCCESS) {
            code = result;
        }
    };
    if (options.username) {
        step(mosquitto_username_pw_set(client_, options.username->c_str(),
                                       options.password ? options.password->c_str() : nullptr));
    }
    const MqttMessage& will = options.will;
    step(mosquitto_will_set(client_, will.topic.c_str(), static_cast<int>(will.payload.size()),
                            will.payload.data(), kQos, will.retained));
    if (options.broker.tls) {
        if (options.caFile.empty()) {
            step(mosquitto_int_option(client_, MOSQ_OPT_TLS_USE_OS_CERTS, 1));
        } else {
            step(mosquitto_tls_set(client_, options.caFile.c_str(), nullptr, nullptr, nullptr,
                                   nullptr));
        }
        step(mosquitto_tls_opts_set(client_, kVerifyPeer, nullptr, nullptr));
        step(mosquitto_tls_insecure_set(client_, false));  // the host name is checked
    }
    step(mosquitto_reconnect_delay_set(client_, kFirstReconnectSeconds, kLongestReconnectSeconds,
                                       true));
    step(mosquitto_max_inflight_messages_set(client_, kMostInFlight));
    if (code != MOSQ_ERR_SUCCESS) {
        error = "cannot set up the MQTT client: " + ReasonText(code);
        if (code == MOSQ_ERR_INVAL && !options.caFile.empty()) {
            error = "cannot read the CA file " + options.caFile;
        }
        return false;
    }
    mosquitto_connect_callback_set(client_, &MqttClient::OnConnect);
    mosquitto_disconnect_callback_set(client_, &MqttClient::OnDisconnect);
    mosquitto_publish_callback_set(client_, &MqttClient::OnPublish);
    mosquitto_log_callback_set(client_, &MqttClient::OnLog);
    return true;
}

bool MqttClient::Connect(const MqttConnectOptions& options, std::chrono::milliseconds patience,
                         int interruptFd, std::string& error) {
    if (!Configure(options, error)) {
        return false;
    }
    const std::string where = "broker " + options.broker.Text();
    const int code = mosquitto_connect_async(client_, options.broker.host.c_str(),
                                             options.broker.port, kKeepAliveSeconds);
    if (code == MOSQ_ERR_TLS) {
        error = "TLS with " + where + " failed: its certificate is not signed by " +
                (options.caFile.empty() ? std::string("a trusted CA") : options.caFile) +
                " or not made out to " + options.broker.host;
        return false;
    }
    if (code != MOSQ_ERR_SUCCESS) {
        error = "cannot reach " + where + ": " + ReasonText(code);
        return false;
    }
    if (mosquitto_loop_start(client_) != MOSQ_ERR_SUCCESS) {
        error = "cannot start the MQTT client's thread";
        return false;
    }
    threadRunning_ = true;
    std::array<pollfd, 2> watched{{{answered_.Get(), POLLIN, 0}, {interruptFd, POLLIN, 0}}};
    const int ready =
        poll(watched.data(), interruptFd >= 0 ? 2 : 1, static_cast<int>(patience.count()));
    if (ready <= 0) {
        error =
            "no answer from " + where + " within " + std::to_string(patience.count() / 1000) + " s";
        return false;
    }
    if (watched[0].revents == 0) {
        error = "interrupted while connecting to " + where;
        return false;
    }
    if (tlsFailed_) {
        error = "TLS with " + where + " failed (" + tlsFailure_ + "): its certificate is not " +
                "signed by " +
                (options.caFile.empty() ? std::string("a trusted CA") : options.caFile) +
                " or not made out to " + options.broker.host;
        return false;
    }
    const int answer = connectCode_;
    if (answer < 0) {
        error = "cannot reach " + where + ": " +
                (closedEarly_ ? closedReason_ : std::string("the connection was closed"));
        return false;
    }
    if (answer != 0) {
        error = where + " refused the connection: " + mosquitto_connack_string(answer);
        return false;
    }
    return true;
}

std::optional<int> MqttClient::Publish(const MqttMessage& message) {
    int id = 0;
    const int code = mosquitto_publish(client_, &id, message.topic.c_str(),
                                       static_cast<int>(message.payload.size()),
                                       message.payload.data(), kQos, message.retained);
    if (code != MOSQ_ERR_SUCCESS) {
        return std::nullopt;
    }
    return id;
}

void MqttClient::Disconnect() {
    if (!threadRunning_) {
        return;
    }
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, false);
    threadRunning_ = false;
}

void MqttClient::OnConnect(mosquitto*, void* self, int code) {
    auto& client = *static_cast<MqttClient*>(self);
    const bool first = client.connectCode_ < 0;
    if (first) {
        client.connectCode_ = code;
        Signal(client.answered_);
    }
    if (code == 0 && client.handlers_.connected) {
        client.handlers_.connected();
    }
    if (code != 0 && !first && client.handlers_.lost) {
        client.handlers_.lost(mosquitto_connack_string(code));
    }
}

void MqttClient::OnDisconnect(mosquitto*, void* self, int code) {
    auto& client = *static_cast<MqttClient*>(self);
    if (client.connectCode_ < 0) {
        if (!client.closedEarly_) {
            client.closedReason_ = ReasonText(code);
            client.closedEarly_ = true;
            Signal(client.answered_);
        }
        return;
    }
    if (code != 0 && client.handlers_.lost) {
        client.handlers_.lost(ReasonText(code));
    }
}

// The client says why a TLS handshake failed only in its log.
void MqttClient::OnLog(mosquitto*, void* self, int level, const char* text) {
    auto& client = *static_cast<MqttClient*>(self);
    const std::string_view line(text);
    if (level != MOSQ_LOG_ERR || client.connectCode_ >= 0 || client.tlsFailed_ ||
        !line.starts_with("OpenSSL Error")) {
        return;
    }
    const std::size_t reason = line.rfind(':');
    client.tlsFailure_ =
        std::string(reason == std::string_view::npos ? line : line.substr(reason + 1));
    client.tlsFailed_ = true;
    Signal(client.answered_);
}

void MqttClient::OnPublish(mosquitto*, void* self, int id) {
    auto& client = *static_cast<MqttClient*>(self);
    if (client.handlers_.acknowledged) {
        client.handlers_.acknowledged(id);
    }
}

}  // namespace tavr
