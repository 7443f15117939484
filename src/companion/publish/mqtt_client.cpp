#include "companion/publish/mqtt_client.h"

#include <mosquitto.h>
#include <poll.h>
#include <sys/eventfd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace tavr {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kQos = 1;
constexpr int kKeepAliveSeconds = 30;
constexpr seconds kFirstReconnectWait{1};
constexpr seconds kLongestReconnectWait{30};
constexpr unsigned kMostInFlight = 20;
// The longest the network thread sleeps in the client library while connected, as the library's
// own thread does; messages and the goodbye wake it sooner.
constexpr milliseconds kLoopWait{1000};
// How long the goodbye and what is queued before it may take to go out.
constexpr milliseconds kGoodbyeLimit{2000};

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

int WaitMilliseconds(Clock::duration left) {
    return static_cast<int>(
        std::clamp(std::chrono::ceil<milliseconds>(left), milliseconds(0), kLoopWait).count());
}

}  // namespace

MqttClient::MqttClient(Handlers handlers)
    : handlers_(std::move(handlers)),
      stop_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      answered_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
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
    if (options.broker.tls) {
        tls_ = BrokerTls::Make(options.broker.host, options.caFile, error);
        if (!tls_) {
            return false;
        }
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
    if (tls_) {
        // The context is complete: the library is not to add its own settings and checks.
        step(mosquitto_int_option(client_, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0));
        step(mosquitto_void_option(client_, MOSQ_OPT_SSL_CTX, tls_->Context()));
    }
    step(mosquitto_threaded_set(client_, true));
    step(mosquitto_max_inflight_messages_set(client_, kMostInFlight));
    if (code != MOSQ_ERR_SUCCESS) {
        error = "cannot set up the MQTT client: " + ReasonText(code);
        return false;
    }
    mosquitto_connect_callback_set(client_, &MqttClient::OnConnect);
    mosquitto_disconnect_callback_set(client_, &MqttClient::OnDisconnect);
    mosquitto_publish_callback_set(client_, &MqttClient::OnPublish);
    mosquitto_message_callback_set(client_, &MqttClient::OnMessage);
    mosquitto_log_callback_set(client_, &MqttClient::OnLog);
    options_ = options;
    return true;
}

MqttClient::Start MqttClient::Connect(const MqttConnectOptions& options, milliseconds patience,
                                      int interruptFd, std::string& error) {
    if (!Configure(options, error)) {
        return Start::Refused;
    }
    network_ = std::thread([this] { Run(); });
    const std::string where = "broker " + options.broker.Text();
    std::array<pollfd, 2> watched{{{answered_.Get(), POLLIN, 0}, {interruptFd, POLLIN, 0}}};
    const int ready =
        poll(watched.data(), interruptFd >= 0 ? 2 : 1, static_cast<int>(patience.count()));
    if (ready <= 0) {
        error =
            "no answer from " + where + " within " + std::to_string(patience.count() / 1000) + " s";
        return Start::Waiting;
    }
    if (watched[0].revents == 0) {
        error = "interrupted while connecting to " + where;
        return Start::Interrupted;
    }
    const std::lock_guard lock(firstMutex_);
    switch (first_->outcome) {
        case Attempt::Accepted:
            return Start::Connected;
        case Attempt::Refused:
        case Attempt::TlsFailed:
            error = FailureText(*first_);
            return Start::Refused;
        default:
            error = FailureText(*first_);
            return Start::Waiting;
    }
}

std::string MqttClient::FailureText(const Round& round) const {
    const std::string where = "broker " + options_.broker.Text();
    switch (round.outcome) {
        case Attempt::Refused:
            return where + " refused the connection: " + round.reason;
        case Attempt::TlsFailed:
            return "TLS with " + where + " failed (" + round.reason +
                   "): its certificate is not signed by " +
                   (options_.caFile.empty() ? std::string("a trusted CA") : options_.caFile) +
                   " or not made out to " + options_.broker.host;
        default:
            return "cannot reach " + where + ": " + round.reason;
    }
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

bool MqttClient::Subscribe(const std::string& topic) {
    return mosquitto_subscribe(client_, nullptr, topic.c_str(), kQos) == MOSQ_ERR_SUCCESS;
}

void MqttClient::Disconnect() {
    if (!network_.joinable()) {
        return;
    }
    {
        const std::lock_guard lock(lifecycle_);
        stopping_ = true;
        // Queues the goodbye behind what is in flight and wakes the client's loop for it.
        mosquitto_disconnect(client_);
    }
    Signal(stop_);
    network_.join();
}

// The network thread: rounds of addresses until one accepts, the connection served until it
// is lost, and again after a wait, until Disconnect. A refusal after the first round is tried
// again too: a broker being set up or restarted may refuse for a while.
void MqttClient::Run() {
    seconds wait = kFirstReconnectWait;
    bool reported = false;
    while (!stopping_) {
        const Round round = ConnectRound();
        if (!reported) {
            Report(round);
            reported = true;
        }
        if (round.outcome == Attempt::Accepted) {
            ServeConnection();
            wait = kFirstReconnectWait;
        }
        if (stopping_ || !Rest(wait)) {
            return;
        }
        if (round.outcome != Attempt::Accepted) {
            wait = std::min(wait * 2, kLongestReconnectWait);
        }
    }
}

// Looks the broker up and tries its addresses in order. A broker that answers, refuses the
// login or fails TLS ends the round: only an address that cannot be reached passes it on.
MqttClient::Round MqttClient::ConnectRound() {
    const BrokerAddresses addresses = options_.lookUp(options_.broker.host, stop_.Get());
    if (addresses.numeric.empty()) {
        return {stopping_ ? Attempt::Stopped : Attempt::Closed, addresses.error};
    }
    Round round;
    for (const std::string& address : addresses.numeric) {
        round.outcome = TryAddress(address, round.reason);
        if (round.outcome != Attempt::Closed) {
            break;
        }
    }
    return round;
}

MqttClient::Attempt MqttClient::TryAddress(const std::string& address, std::string& reason) {
    attempt_ = Attempt::Pending;
    attemptReason_.clear();
    int code = MOSQ_ERR_SUCCESS;
    {
        const std::lock_guard lock(lifecycle_);
        if (stopping_) {
            return Attempt::Stopped;
        }
        code = mosquitto_connect_async(client_, address.c_str(), options_.broker.port,
                                       kKeepAliveSeconds);
    }
    if (code != MOSQ_ERR_SUCCESS) {
        reason = ReasonText(code);
        return code == MOSQ_ERR_TLS ? Attempt::TlsFailed : Attempt::Closed;
    }
    const Clock::time_point deadline = Clock::now() + options_.attemptLimit;
    while (attempt_ == Attempt::Pending) {
        if (stopping_) {
            return Attempt::Stopped;
        }
        const Clock::duration left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            reason = "no answer from " + address + " within " +
                     std::to_string(options_.attemptLimit.count()) + " ms";
            return Attempt::Closed;
        }
        const int looped = mosquitto_loop(client_, WaitMilliseconds(left), 1);
        if (looped != MOSQ_ERR_SUCCESS && attempt_ == Attempt::Pending) {
            attempt_ = Attempt::Closed;
            attemptReason_ = ReasonText(looped);
        }
    }
    reason = attemptReason_;
    return attempt_;
}

void MqttClient::ServeConnection() {
    while (mosquitto_loop(client_, static_cast<int>(kLoopWait.count()), 1) == MOSQ_ERR_SUCCESS) {
        if (stopping_) {
            SayGoodbye();
            return;
        }
    }
}

// Disconnect has queued the goodbye; the loop writes it and what is queued before it.
void MqttClient::SayGoodbye() {
    const Clock::time_point deadline = Clock::now() + kGoodbyeLimit;
    while (Clock::now() < deadline &&
           mosquitto_loop(client_, WaitMilliseconds(deadline - Clock::now()), 1) ==
               MOSQ_ERR_SUCCESS) {
    }
}

// Waits before the next round; false when a stop was asked for meanwhile.
bool MqttClient::Rest(seconds wait) {
    pollfd watched{stop_.Get(), POLLIN, 0};
    return poll(&watched, 1, static_cast<int>(milliseconds(wait).count())) == 0 && !stopping_;
}

void MqttClient::Report(const Round& round) {
    const std::lock_guard lock(firstMutex_);
    first_ = round;
    Signal(answered_);
}

void MqttClient::OnConnect(mosquitto*, void* self, int code) {
    auto& client = *static_cast<MqttClient*>(self);
    if (client.attempt_ != Attempt::Pending) {
        return;
    }
    if (code != 0) {
        client.attempt_ = Attempt::Refused;
        client.attemptReason_ = mosquitto_connack_string(code);
        return;
    }
    client.attempt_ = Attempt::Accepted;
    client.connected_ = true;
    if (client.handlers_.connected) {
        client.handlers_.connected();
    }
}

void MqttClient::OnDisconnect(mosquitto*, void* self, int code) {
    auto& client = *static_cast<MqttClient*>(self);
    if (client.attempt_ == Attempt::Pending) {
        client.attempt_ = Attempt::Closed;
        client.attemptReason_ = ReasonText(code);
        return;
    }
    if (!client.connected_) {
        return;
    }
    client.connected_ = false;
    if (code != 0 && client.handlers_.lost) {
        client.handlers_.lost(ReasonText(code));
    }
}

// The client says why a TLS handshake failed only in its log.
void MqttClient::OnLog(mosquitto*, void* self, int level, const char* text) {
    auto& client = *static_cast<MqttClient*>(self);
    const std::string_view line(text);
    if (level != MOSQ_LOG_ERR || client.attempt_ != Attempt::Pending ||
        !line.starts_with("OpenSSL Error")) {
        return;
    }
    const std::size_t reason = line.rfind(':');
    client.attemptReason_ =
        std::string(reason == std::string_view::npos ? line : line.substr(reason + 1));
    client.attempt_ = Attempt::TlsFailed;
}

void MqttClient::OnPublish(mosquitto*, void* self, int id) {
    auto& client = *static_cast<MqttClient*>(self);
    if (client.handlers_.acknowledged) {
        client.handlers_.acknowledged(id);
    }
}

void MqttClient::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto& client = *static_cast<MqttClient*>(self);
    if (!client.handlers_.received) {
        return;
    }
    const auto* bytes = static_cast<const char*>(message->payload);
    client.handlers_.received(
        {message->topic, std::string(bytes, bytes + message->payloadlen), message->retain});
}

}  // namespace tavr
