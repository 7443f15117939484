#include "companion/publish/broker_feed.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <array>
#include <utility>

namespace tavr {

namespace {

using Clock = std::chrono::steady_clock;

void Signal(const UniqueFd& fd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(fd.Get(), &one, sizeof one);
}

void Consume(const UniqueFd& fd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(fd.Get(), &count, sizeof count);
}

}  // namespace

BrokerFeed::BrokerFeed(Announcements announcements, Note note,
                       std::optional<std::string> birthTopic,
                       std::vector<std::string> subscriptions, Received received,
                       std::size_t capacity)
    : announcements_(std::move(announcements)),
      note_(std::move(note)),
      birthTopic_(std::move(birthTopic)),
      subscriptions_(std::move(subscriptions)),
      received_(std::move(received)),
      queue_(capacity),
      emptied_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      client_(MakeClient()) {}

std::unique_ptr<MqttClient> BrokerFeed::MakeClient() {
    return std::make_unique<MqttClient>(
        MqttClient::Handlers{[this] { OnConnected(); }, [this](int id) { OnAcknowledged(id); },
                             [this](const std::string& reason) { OnLost(reason); },
                             [this](const MqttMessage& message) { OnReceived(message); }});
}

MqttClient::Start BrokerFeed::Connect(const MqttConnectOptions& options,
                                      std::chrono::milliseconds patience, int interruptFd,
                                      std::string& error) {
    {
        const std::lock_guard lock(mutex_);
        where_ = options.broker.Text();
    }
    return client_->Connect(options, patience, interruptFd, error);
}

MqttClient::Start BrokerFeed::Reconnect(const MqttConnectOptions& options,
                                        std::optional<std::string> birthTopic,
                                        std::vector<std::string> subscriptions,
                                        std::chrono::milliseconds patience, int interruptFd,
                                        std::string& error) {
    // The old client's handlers take the mutex: it is stopped outside it, after nothing can hand
    // it a message any more.
    std::unique_ptr<MqttClient> old;
    {
        const std::lock_guard lock(mutex_);
        connected_ = false;
        old = std::exchange(client_, nullptr);
    }
    old->Disconnect();
    old.reset();
    {
        const std::lock_guard lock(mutex_);
        queue_.ReturnHanded();
        birthTopic_ = std::move(birthTopic);
        subscriptions_ = std::move(subscriptions);
        client_ = MakeClient();
    }
    return Connect(options, patience, interruptFd, error);
}

bool BrokerFeed::EverConnected() const {
    const std::lock_guard lock(mutex_);
    return everConnected_;
}

void BrokerFeed::Post(MqttMessage message) {
    const std::lock_guard lock(mutex_);
    queue_.Push(std::move(message));
    Pump();
}

bool BrokerFeed::Drain(std::chrono::milliseconds patience, int interruptFd) {
    const Clock::time_point deadline = Clock::now() + patience;
    while (true) {
        {
            const std::lock_guard lock(mutex_);
            if (queue_.Size() == 0) {
                return true;
            }
            Consume(emptied_);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        std::array<pollfd, 2> watched{{{emptied_.Get(), POLLIN, 0}, {interruptFd, POLLIN, 0}}};
        const int ready =
            poll(watched.data(), interruptFd >= 0 ? 2 : 1, static_cast<int>(left.count()));
        if (ready > 0 && watched[1].revents != 0) {
            const std::lock_guard lock(mutex_);
            return queue_.Size() == 0;
        }
    }
}

void BrokerFeed::Close() {
    client_->Disconnect();
}

BrokerFeed::Tally BrokerFeed::Counts() const {
    const std::lock_guard lock(mutex_);
    return {acknowledged_, queue_.Dropped(), losses_, queue_.Size(), connected_};
}

void BrokerFeed::OnConnected() {
    const std::lock_guard lock(mutex_);
    connected_ = true;
    if (everConnected_ || queue_.Size() > 0) {
        note_(LogPriority::Info, std::string(everConnected_ ? "reconnected" : "connected") +
                                     " to broker " + where_ + "; " + std::to_string(queue_.Size()) +
                                     " messages to send");
    }
    everConnected_ = true;
    if (birthTopic_ && !client_->Subscribe(*birthTopic_)) {
        note_(LogPriority::Warning, "cannot subscribe to " + *birthTopic_ +
                                        ": a restart of Home Assistant goes unnoticed until the "
                                        "next connection");
    }
    for (const std::string& filter : subscriptions_) {
        if (!client_->Subscribe(filter)) {
            note_(LogPriority::Warning, "cannot subscribe to " + filter +
                                            ": its messages go unheard until the next "
                                            "connection");
        }
    }
    Announce(Occasion::Connection);
}

// Home Assistant publishes "online" on its birth topic when it starts: it has then forgotten
// the states, and may have forgotten the configs.
void BrokerFeed::OnReceived(const MqttMessage& message) {
    std::unique_lock lock(mutex_);
    if (!birthTopic_ || message.topic != *birthTopic_) {
        lock.unlock();
        if (received_) {
            received_(message);
        }
        return;
    }
    if (message.payload != kOnline) {
        return;
    }
    note_(LogPriority::Info,
          "Home Assistant is online: discovery and the latest states sent again");
    Announce(Occasion::Birth);
}

// Called with mutex_ held.
void BrokerFeed::Announce(Occasion occasion) {
    for (MqttMessage& message : announcements_(occasion)) {
        queue_.Push(std::move(message));
    }
    Pump();
}

void BrokerFeed::OnAcknowledged(int id) {
    const std::lock_guard lock(mutex_);
    if (queue_.Acknowledge(id)) {
        ++acknowledged_;
    }
    Pump();
    if (queue_.Size() == 0) {
        Signal(emptied_);
    }
}

void BrokerFeed::OnLost(const std::string& reason) {
    const std::lock_guard lock(mutex_);
    if (connected_) {
        ++losses_;
        note_(LogPriority::Warning, "lost broker " + where_ + " (" + reason +
                                        "); readings wait and go out after reconnecting");
    }
    connected_ = false;
}

void BrokerFeed::Pump() {
    while (connected_ && queue_.Handed() < kInFlight) {
        const MqttMessage* next = queue_.NextWaiting();
        if (next == nullptr) {
            return;
        }
        const std::optional<int> id = client_->Publish(*next);
        if (!id) {
            return;
        }
        queue_.MarkHanded(*id);
    }
}

}  // namespace tavr
