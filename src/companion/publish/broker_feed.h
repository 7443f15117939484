#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "companion/platform/log_priority.h"
#include "companion/publish/mqtt_client.h"
#include "companion/publish/outage_queue.h"
#include "serial/posix/unique_fd.h"

namespace tavr {

// The way from the readings to the broker: every message goes through the outage queue, in
// order, and is handed to the MQTT client while it is connected, a few at a time; it leaves the
// queue when the broker acknowledges it. While the broker is away the readings wait (the oldest
// dropped when the queue is full), and go out after the client has reconnected. On each
// (re)connection the announcements (discovery and availability, retained) are queued again,
// since a restarted broker may have forgotten them; and when Home Assistant says on its birth
// topic that it is online again, so are the latest states, which the broker does not keep.
class BrokerFeed {
  public:
    static constexpr std::size_t kQueueCapacity = 10'000;

    // What the announcements are for: a (re)connection, or Home Assistant's (re)start.
    enum class Occasion { Connection, Birth };
    using Announcements = std::function<std::vector<MqttMessage>(Occasion)>;

    struct Tally {
        std::uint64_t acknowledged = 0;
        std::uint64_t dropped = 0;
        std::uint64_t losses = 0;
        std::size_t waiting = 0;
        bool connected = false;
    };

    // What the feed has to say, and how much it matters.
    using Note = std::function<void(LogPriority, const std::string&)>;
    // A message on one of the `subscriptions`; called on the client's thread.
    using Received = std::function<void(const MqttMessage&)>;

    // `note` gets one line for each loss and each reconnection of the broker and for each
    // birth; it is called on the client's thread. Without a `birthTopic` there are no births.
    // Each connection subscribes to the `subscriptions` (topic filters), whose messages go to
    // `received`.
    BrokerFeed(Announcements announcements, Note note, std::optional<std::string> birthTopic,
               std::vector<std::string> subscriptions = {}, Received received = nullptr,
               std::size_t capacity = kQueueCapacity);

    // Starts the connection (see MqttClient::Connect). When the broker cannot be reached yet,
    // the messages wait for it like after a loss.
    MqttClient::Start Connect(const MqttConnectOptions& options, std::chrono::milliseconds patience,
                              int interruptFd, std::string& error);

    // Leaves the broker and connects as `options` say (another broker, login or topics): nothing
    // queued is lost, and what the old connection had in flight goes out again.
    MqttClient::Start Reconnect(const MqttConnectOptions& options,
                                std::optional<std::string> birthTopic,
                                std::vector<std::string> subscriptions,
                                std::chrono::milliseconds patience, int interruptFd,
                                std::string& error);

    // Whether the broker accepted a connection at some time.
    bool EverConnected() const;

    void Post(MqttMessage message);

    // Waits until every queued message was acknowledged, up to `patience` or until
    // `interruptFd` (-1: none) becomes readable; false when some are still queued.
    bool Drain(std::chrono::milliseconds patience, int interruptFd);

    void Close();

    Tally Counts() const;

  private:
    void OnConnected();
    void OnAcknowledged(int id);
    void OnLost(const std::string& reason);
    void OnReceived(const MqttMessage& message);
    void Announce(Occasion occasion);
    // Hands waiting messages to the client while connected and in-flight room is left. Called
    // with mutex_ held.
    void Pump();

    static constexpr std::size_t kInFlight = 16;

    std::unique_ptr<MqttClient> MakeClient();

    Announcements announcements_;
    Note note_;
    std::optional<std::string> birthTopic_;
    std::vector<std::string> subscriptions_;
    Received received_;
    mutable std::mutex mutex_;
    OutageQueue queue_;
    bool connected_ = false;
    bool everConnected_ = false;
    std::uint64_t acknowledged_ = 0;
    std::uint64_t losses_ = 0;
    UniqueFd emptied_;  // signalled when the queue runs empty
    std::string where_;
    std::unique_ptr<MqttClient> client_;  // last: its thread stops before the rest goes
};

}  // namespace tavr
