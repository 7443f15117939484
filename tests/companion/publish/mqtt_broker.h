#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace tavr {

// A real Mosquitto broker for a test, on 127.0.0.1 at a port the system chose free, with its
// configuration, logs and persistence in `folder`. Optionally with a password file (user
// "gateway") and a TLS listener whose CA and server certificate are made with openssl here.
class MqttBroker {
  public:
    struct Setup {
        std::optional<std::string> password;  // the user "gateway" must log in with it
        bool tls = false;                     // certificate for "localhost" only
        bool persistent = false;              // sessions survive a restart
    };

    MqttBroker(std::filesystem::path folder, Setup setup);
    ~MqttBroker();
    MqttBroker(const MqttBroker&) = delete;
    MqttBroker& operator=(const MqttBroker&) = delete;

    // Starts the broker and waits until it accepts connections; false when it did not.
    bool Start();
    // Ends the broker with SIGTERM (it saves its sessions) and waits for it.
    void Stop();

    int Port() const { return port_; }
    // Publishes as a user does with the mosquitto_pub program, at QoS 1 (the broker without
    // password or TLS); true when it exited 0.
    bool PublishWithClient(const std::string& topic, const std::string& payload,
                           bool retained = false) const;
    std::filesystem::path CaFile() const { return folder_ / "ca.pem"; }
    // A second CA that signed nothing the broker shows.
    std::filesystem::path StrangerCaFile() const { return folder_ / "stranger-ca.pem"; }

  private:
    bool MakeCertificates() const;
    void WriteConfiguration() const;

    std::filesystem::path folder_;
    Setup setup_;
    int port_ = 0;
    pid_t pid_ = -1;
};

// A subscriber to '#' through libmosquitto, with a lasting session (QoS 1): what is published
// while it is away reaches it when it is back.
class MqttSubscriber {
  public:
    struct Received {
        std::string topic;
        std::string payload;
        bool retained = false;
    };

    MqttSubscriber(int port, std::optional<std::string> password = std::nullopt,
                   std::optional<std::filesystem::path> caFile = std::nullopt);
    ~MqttSubscriber();
    MqttSubscriber(const MqttSubscriber&) = delete;
    MqttSubscriber& operator=(const MqttSubscriber&) = delete;

    // Waits until it has subscribed; false when it did not within the patience.
    bool Subscribed(std::chrono::milliseconds patience = std::chrono::seconds(20));
    // Waits until `count` messages on `topic` have come; false when they did not in time.
    bool WaitFor(const std::string& topic, std::size_t count,
                 std::chrono::milliseconds patience = std::chrono::seconds(20));
    std::vector<Received> Messages() const;
    std::vector<Received> On(const std::string& topic) const;
    // Publishes `payload` on `topic`, not retained, as another client of the broker would.
    bool Publish(const std::string& topic, const std::string& payload);

  private:
    static void OnConnect(mosquitto*, void* self, int code);
    static void OnSubscribe(mosquitto*, void* self, int, int, const int*);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);

    mosquitto* client_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Received> received_;
    bool subscribed_ = false;
};

}  // namespace tavr
