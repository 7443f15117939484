#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "companion/publish/broker_addresses.h"
#include "companion/publish/broker_tls.h"
#include "companion/publish/broker_url.h"
#include "companion/publish/mqtt_payloads.h"
#include "serial/posix/unique_fd.h"

struct mosquitto;
struct mosquitto_message;

namespace tavr {

// Looks a broker's host up; ends early when `stopFd` becomes readable.
using BrokerLookup = std::function<BrokerAddresses(const std::string& host, int stopFd)>;

struct MqttConnectOptions {
    BrokerUrl broker;
    std::string clientId;
    std::optional<std::string> username;
    std::optional<std::string> password;
    std::string caFile;  // with mqtts://: the CA that signed the broker; empty: the system's
    MqttMessage will;
    BrokerLookup lookUp = [](const std::string& host, int stopFd) {
        return LookUpBrokerAddresses(host, std::chrono::seconds(5), stopFd);
    };
    // How long one address may take to accept the connection before the next is tried.
    std::chrono::milliseconds attemptLimit{5000};
};

// A connection to an MQTT broker through libmosquitto, at QoS 1. Its network thread looks the
// broker's name up and tries its addresses in the resolver's order until one accepts, at the
// start and after every loss, with a wait that doubles from 1 s to 30 s between rounds. It
// calls the handlers: on every (re)connection, on each acknowledged message and on each loss
// of an established connection, and for each message on a subscribed topic. The handlers run
// on that thread, one at a time; Publish and Subscribe may be called from them, and Publish from
// any thread while connected.
class MqttClient {
  public:
    struct Handlers {
        std::function<void()> connected;
        std::function<void(int id)> acknowledged;
        std::function<void(const std::string& reason)> lost;
        std::function<void(const MqttMessage& message)> received;
    };

    explicit MqttClient(Handlers handlers);
    ~MqttClient();
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // How the first round of addresses ended.
    enum class Start {
        Connected,
        Waiting,      // no address could be reached yet: the rounds go on
        Refused,      // TLS failed or the broker refused the login: time will not mend it
        Interrupted,  // `interruptFd` became readable first
    };

    // Starts the network thread and waits up to `patience` (or until `interruptFd` becomes
    // readable) for the first round to end; a round still going when the patience ends counts
    // as Waiting. Unless Connected, `error` says why (for Waiting, the last reason); the
    // password never appears in it.
    Start Connect(const MqttConnectOptions& options, std::chrono::milliseconds patience,
                  int interruptFd, std::string& error);

    // Hands a message to the client; its id, or nothing while not connected.
    std::optional<int> Publish(const MqttMessage& message);

    // Subscribes to `topic` for this connection (the session ends with it); false while not
    // connected.
    bool Subscribe(const std::string& topic);

    // Sends what is in flight, says goodbye (so no last will is sent) and stops the thread.
    void Disconnect();

  private:
    enum class Attempt { Pending, Accepted, Refused, Closed, TlsFailed, Stopped };
    struct Round {
        Attempt outcome = Attempt::Closed;
        std::string reason;  // why the last address failed
    };

    static void OnConnect(mosquitto*, void* self, int code);
    static void OnDisconnect(mosquitto*, void* self, int code);
    static void OnPublish(mosquitto*, void* self, int id);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);
    static void OnLog(mosquitto*, void* self, int level, const char* text);
    bool Configure(const MqttConnectOptions& options, std::string& error);

    void Run();
    Round ConnectRound();
    Attempt TryAddress(const std::string& address, std::string& reason);
    void ServeConnection();
    void SayGoodbye();
    bool Rest(std::chrono::seconds wait);
    void Report(const Round& round);
    std::string FailureText(const Round& round) const;

    Handlers handlers_;
    MqttConnectOptions options_;
    std::unique_ptr<BrokerTls> tls_;
    mosquitto* client_ = nullptr;
    std::thread network_;

    // Stop requests: the flag is read by the network thread, the descriptor wakes its waits.
    std::atomic<bool> stopping_{false};
    UniqueFd stop_;
    // Held around every call that (re)makes the client's connection, and by Disconnect's
    // goodbye, so the two never meet.
    std::mutex lifecycle_;

    // The network thread's current attempt, set by the client's callbacks on that thread.
    Attempt attempt_ = Attempt::Pending;
    std::string attemptReason_;
    int refusal_ = 0;  // the broker's CONNACK code when it refused
    bool connected_ = false;

    // The first round's outcome, for Connect.
    std::mutex firstMutex_;
    std::optional<Round> first_;
    UniqueFd answered_;
};

}  // namespace tavr
