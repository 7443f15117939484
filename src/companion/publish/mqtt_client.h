#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "companion/publish/broker_url.h"
#include "companion/publish/mqtt_payloads.h"
#include "serial/posix/unique_fd.h"

struct mosquitto;

namespace tavr {

struct MqttConnectOptions {
    BrokerUrl broker;
    std::string clientId;
    std::optional<std::string> username;
    std::optional<std::string> password;
    std::string caFile;  // with mqtts://: the CA that signed the broker; empty: the system's
    MqttMessage will;
};

// A connection to an MQTT broker through libmosquitto, at QoS 1. Its network thread keeps the
// connection, reconnecting after a loss with a wait that doubles from 1 s to 30 s, and calls the
// handlers: on every (re)connection, on each acknowledged message and on each loss. The
// handlers run on that thread, one at a time; Publish may be called from them.
class MqttClient {
  public:
    struct Handlers {
        std::function<void()> connected;
        std::function<void(int id)> acknowledged;
        std::function<void(const std::string& reason)> lost;
    };

    explicit MqttClient(Handlers handlers);
    ~MqttClient();
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Connects and waits up to `patience` (or until `interruptFd` becomes readable) for the
    // broker to accept. False, with `error` set, when the broker cannot be reached, TLS fails
    // or the broker refuses; the password never appears in `error`.
    bool Connect(const MqttConnectOptions& options, std::chrono::milliseconds patience,
                 int interruptFd, std::string& error);

    // Hands a message to the client; its id, or nothing while not connected.
    std::optional<int> Publish(const MqttMessage& message);

    // Sends what is in flight, says goodbye (so no last will is sent) and stops the thread.
    void Disconnect();

  private:
    static void OnConnect(mosquitto*, void* self, int code);
    static void OnDisconnect(mosquitto*, void* self, int code);
    static void OnPublish(mosquitto*, void* self, int id);
    static void OnLog(mosquitto*, void* self, int level, const char* text);
    bool Configure(const MqttConnectOptions& options, std::string& error);

    Handlers handlers_;
    mosquitto* client_ = nullptr;
    UniqueFd answered_;                     // counts CONNACKs and losses while Connect waits
    std::atomic<int> connectCode_{-1};      // the first CONNACK's code; set by the network thread
    std::atomic<bool> tlsFailed_{false};    // the handshake failed before the first CONNACK
    std::string tlsFailure_;                // why; written before tlsFailed_ is set
    std::atomic<bool> closedEarly_{false};  // the connection ended before the first CONNACK
    std::string closedReason_;              // why; written before closedEarly_ is set
    bool threadRunning_ = false;
};

}  // namespace tavr
