#include "companion/publish/publish_run.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>

#include "companion/platform/service_notifier.h"
#include "companion/publish/broker_feed.h"
#include "companion/publish/line_publisher.h"
#include "companion/publish/stable_port_name.h"

namespace tavr {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kBrokerPatience{10'000};
constexpr milliseconds kDrainPatience{5'000};
// How often the gateway looks at its lines between their events: its status and whether a line
// is stuck.
constexpr milliseconds kLookAround{2'000};

void Consume(int fd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(fd, &count, sizeof count);
}

// Home Assistant's ids are made from the port's name: one that changes on re-plugging would
// make new devices of the same meters.
PublishOptions WithStablePorts(PublishOptions options) {
    for (PublishLine& line : options.lines) {
        if (!line.poll.connection.devicePath.empty()) {
            line.poll.connection.devicePath = StablePortName(line.poll.connection.devicePath);
        }
    }
    return options;
}

// The gateway: one broker feed, and a publisher per serial line, each on its own thread. This
// thread watches them: it ends the run on Ctrl+C or when every line has ended, reads the
// configuration again on a reload, and says how the gateway is.
class PublishLoop {
  public:
    PublishLoop(PublishOptions options, const PublishReload& reload, Console& console)
        : options_(WithStablePorts(std::move(options))),
          reload_(reload),
          console_(console),
          changed_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
          feed_([this](BrokerFeed::Occasion occasion) { return Announcements(occasion); },
                [this](LogPriority priority, const std::string& line) { Note(priority, line); },
                options_.topics.BirthTopic(), options_.topics.SettingCommandFilters(),
                [this](const MqttMessage& message) { OnCommand(message); }) {}

    ExitStatus Run() {
        if (reload_ && console_.hangUpReloads != nullptr) {
            *console_.hangUpReloads = true;
        }
        AddLines(options_.lines);
        std::string error;
        const MqttClient::Start start = feed_.Connect(options_.mqtt, kBrokerPatience,
                                                      static_cast<int>(console_.interrupt), error);
        if (start == MqttClient::Start::Refused || start == MqttClient::Start::Interrupted) {
            Note(LogPriority::Error, error);
            return ExitStatus::BrokerUnavailable;
        }
        if (start == MqttClient::Start::Waiting) {
            Note(LogPriority::Warning,
                 error +
                     "; readings wait and go out once it answers (tried again after 1 s, "
                     "then waits doubling to 30 s)");
        }
        StartLines();
        const bool interrupted = !Supervise();
        StopLines();
        if (OnlyLineHadNoPort()) {
            feed_.Close();
            return ExitStatus::PortUnavailable;
        }
        Finish(interrupted);
        if (!feed_.EverConnected()) {
            return ExitStatus::BrokerUnavailable;  // nothing of the run reached anyone
        }
        return Answered() > 0 ? ExitStatus::Done : ExitStatus::NoAnswer;
    }

  private:
    // Shared with the MQTT client's thread, which hands a line its commands without holding the
    // lock that the feed's announcements take after the feed's own.
    using Lines = std::vector<std::shared_ptr<LinePublisher>>;

    // A line's port that cannot be opened at the start ends a timed run of one line (a script
    // wants to know); otherwise it is waited for.
    bool EndIfMissing() const {
        return options_.lines.size() == 1 && options_.lines.front().poll.duration.has_value();
    }

    std::shared_ptr<LinePublisher> MakeLine(const PublishLine& line) {
        return std::make_shared<LinePublisher>(
            line, options_.lines.size() > 1,
            LinePublisher::Gateway{
                options_.topics, feed_,
                [this](LogPriority priority, const std::string& text) { Note(priority, text); },
                [this] { Signal(changed_.Get()); }, options_.writable});
    }

    // The lines' meters are announced from the broker's first connection on, which may come
    // before their threads start.
    void AddLines(const std::vector<PublishLine>& lines) {
        Lines added;
        for (const PublishLine& line : lines) {
            added.push_back(MakeLine(line));
        }
        const std::lock_guard lock(linesMutex_);
        for (auto& line : added) {
            lines_.push_back(std::move(line));
        }
    }

    void StartLines() {
        const std::lock_guard lock(linesMutex_);
        for (auto& line : lines_) {
            if (!line->Started()) {
                line->Start(EndIfMissing());
            }
        }
    }

    // Stops and joins the lines outside the lock: a line's thread may be posting, and the feed's
    // thread may be waiting for the lock to read the announcements.
    void StopLines() {
        Lines stopped;
        {
            const std::lock_guard lock(linesMutex_);
            stopped.swap(lines_);
        }
        for (auto& line : stopped) {
            line->Stop();
        }
        for (auto& line : stopped) {
            line->Join();
        }
        ended_.insert(ended_.end(), std::make_move_iterator(stopped.begin()),
                      std::make_move_iterator(stopped.end()));
    }

    // Waits for the run's end, telling the service manager how the gateway is meanwhile: false
    // when interrupted.
    bool Supervise() {
        const milliseconds look = LookAroundPeriod();
        while (true) {
            std::array<pollfd, 3> watched{{{static_cast<int>(console_.interrupt), POLLIN, 0},
                                           {static_cast<int>(console_.reload), POLLIN, 0},
                                           {changed_.Get(), POLLIN, 0}}};
            const int ready = poll(watched.data(), watched.size(), static_cast<int>(look.count()));
            if (ready > 0 && watched[0].revents != 0) {
                notifier_.Stopping();
                return false;
            }
            if (ready > 0 && watched[1].revents != 0) {
                Consume(watched[1].fd);
                notifier_.Reloading();
                Reload();
                notifier_.Ready();
            }
            if (ready > 0 && watched[2].revents != 0) {
                Consume(watched[2].fd);
            }
            if (AllLinesEnded()) {
                notifier_.Stopping();
                return true;
            }
            TellServiceManager();
        }
    }

    // Often enough for the watchdog's pings, and for the status to follow the meters.
    milliseconds LookAroundPeriod() const {
        const auto ping = notifier_.WatchdogPingInterval();
        return ping ? std::clamp(std::chrono::floor<milliseconds>(*ping), milliseconds(1),
                                 kLookAround)
                    : kLookAround;
    }

    // Ready once every line has polled its meters once (or waits for its port); the status
    // line when it changed; and a watchdog ping unless a line is stuck, so that systemd
    // restarts a gateway whose line no longer comes back from a wait.
    void TellServiceManager() {
        if (!notifier_.Active()) {
            return;
        }
        const Clock::time_point now = Clock::now();
        LinePublisher::Counts meters;
        bool ready = true;
        std::string stuck;
        {
            const std::lock_guard lock(linesMutex_);
            for (const auto& line : lines_) {
                const LinePublisher::Counts counts = line->Count();
                meters.meters += counts.meters;
                meters.answering += counts.answering;
                ready = ready && line->Ready();
                if (line->Stuck(now)) {
                    stuck = line->Line().poll.connection.PortName();
                }
            }
        }
        if (ready && !readySent_) {
            readySent_ = notifier_.Ready();
        }
        const BrokerFeed::Tally feed = feed_.Counts();
        const std::string status = std::to_string(meters.answering) + " of " +
                                   std::to_string(meters.meters) + " meters answering, broker " +
                                   (feed.connected ? "connected" : "away") + ", " +
                                   std::to_string(feed.waiting) + " messages queued";
        if (status != status_) {
            status_ = status;
            notifier_.Status(status);
        }
        if (stuck.empty()) {
            notifier_.Watchdog();
        } else if (!stuckNoted_) {
            stuckNoted_ = true;
            Note(LogPriority::Error, "the line on " + stuck +
                                         " no longer comes back from its waits: the watchdog "
                                         "is no longer told that the gateway is alive");
        }
    }

    bool AllLinesEnded() const {
        const std::lock_guard lock(linesMutex_);
        return std::all_of(lines_.begin(), lines_.end(),
                           [](const auto& line) { return line->Ended(); });
    }

    bool OnlyLineHadNoPort() const {
        return ended_.size() == 1 && ended_.front()->EndedWithoutPort();
    }

    // The configuration read again: a line whose options did not change goes on polling, the
    // others are stopped (their meters offline) and started anew; another broker, login or
    // topics mean a new connection, with the queued readings kept. A configuration that cannot
    // be read leaves everything as it was.
    void Reload() {
        std::string error;
        std::optional<PublishOptions> next = reload_(error);
        if (!next) {
            Note(LogPriority::Error,
                 "the configuration was not reloaded, the gateway goes on as before: " + error);
            return;
        }
        PublishOptions fresh = WithStablePorts(std::move(*next));
        fresh.lines = KeepTimedEnd(std::move(fresh.lines));
        const bool topicsChanged = fresh.topics.prefix != options_.topics.prefix ||
                                   fresh.topics.discoveryPrefix != options_.topics.discoveryPrefix;
        const bool brokerChanged = topicsChanged || !SameBroker(fresh.mqtt, options_.mqtt);
        Lines leaving;
        std::vector<PublishLine> arriving;
        {
            const std::lock_guard lock(linesMutex_);
            Lines staying;
            const bool several = fresh.lines.size() > 1;
            for (auto& line : lines_) {
                const bool kept =
                    !topicsChanged &&
                    std::any_of(fresh.lines.begin(), fresh.lines.end(),
                                [&](const PublishLine& next) { return line->Same(next, several); });
                (kept ? staying : leaving).push_back(std::move(line));
            }
            for (const PublishLine& next : fresh.lines) {
                const bool running =
                    std::any_of(staying.begin(), staying.end(),
                                [&](const auto& line) { return line->Same(next, several); });
                if (!running) {
                    arriving.push_back(next);
                }
            }
            lines_ = std::move(staying);
        }
        for (auto& line : leaving) {
            line->Stop();
        }
        for (auto& line : leaving) {
            line->Join();
            line->PostOffline();
            answeredBefore_ += line->Count().readings;
        }
        const std::size_t left = leaving.size();
        const MqttConnectOptions previousBroker = options_.mqtt;
        {
            const std::lock_guard lock(linesMutex_);
            options_ = std::move(fresh);
        }
        if (brokerChanged) {
            MoveToBroker(previousBroker);
        }
        AddLines(arriving);
        StartLines();
        Note(LogPriority::Info,
             "configuration reloaded: " + std::to_string(arriving.size()) + " lines started, " +
                 std::to_string(left) + " stopped, " +
                 (brokerChanged ? "broker connection renewed" : "broker unchanged"));
    }

    // A timed run keeps its end through a reload: the end is the command line's.
    std::vector<PublishLine> KeepTimedEnd(std::vector<PublishLine> lines) const {
        for (PublishLine& line : lines) {
            line.poll.duration = options_.lines.front().poll.duration;
        }
        return lines;
    }

    static bool SameBroker(const MqttConnectOptions& a, const MqttConnectOptions& b) {
        return a.broker.Text() == b.broker.Text() && a.username == b.username &&
               a.password == b.password && a.caFile == b.caFile && a.will == b.will;
    }

    void MoveToBroker(const MqttConnectOptions& previous) {
        // On the same broker under new topics, the old gateway topic must not stay "online".
        if (previous.broker.Text() == options_.mqtt.broker.Text() &&
            previous.will.topic != options_.mqtt.will.topic) {
            feed_.Post({previous.will.topic, kOffline, true});
        }
        std::string error;
        const MqttClient::Start start = feed_.Reconnect(
            options_.mqtt, options_.topics.BirthTopic(), options_.topics.SettingCommandFilters(),
            kBrokerPatience, static_cast<int>(console_.interrupt), error);
        if (start != MqttClient::Start::Connected) {
            Note(start == MqttClient::Start::Refused ? LogPriority::Error : LogPriority::Warning,
                 error + "; readings wait for it");
        }
    }

    // A command for a meter's setting, on the MQTT client's thread: its line checks it and
    // writes it between two polls.
    void OnCommand(const MqttMessage& message) {
        Lines lines;
        {
            const std::lock_guard lock(linesMutex_);
            lines = lines_;
        }
        for (const auto& line : lines) {
            if (line->Command(message)) {
                return;
            }
        }
        std::string topic = message.topic;
        std::replace_if(
            topic.begin(), topic.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }, '?');
        Note(LogPriority::Warning,
             "a command on " + topic + " is for no meter of this gateway; ignored");
    }

    // Called on the MQTT client's thread at each connection and each birth of Home Assistant
    // (the broker keeps the retained availabilities, but not the states).
    std::vector<MqttMessage> Announcements(BrokerFeed::Occasion occasion) {
        const std::lock_guard lock(linesMutex_);
        std::vector<MqttMessage> messages;
        if (occasion == BrokerFeed::Occasion::Connection) {
            messages.push_back({options_.topics.GatewayAvailabilityTopic(), kOnline, true});
        }
        if (std::optional<MqttMessage> gateway = GatewayDiscoveryMessage(options_.topics)) {
            messages.push_back(std::move(*gateway));
        }
        for (const auto& line : lines_) {
            line->AppendAnnouncements(occasion, messages);
        }
        return messages;
    }

    // The meters go offline with the gateway; whatever is queued gets a last chance to go out.
    void Finish(bool interrupted) {
        for (const auto& line : ended_) {
            line->PostOffline();
        }
        feed_.Post({options_.topics.GatewayAvailabilityTopic(), kOffline, true});
        // An interrupted run still waits a little, but not for a second Ctrl+C.
        const bool drained =
            feed_.Drain(kDrainPatience, interrupted ? -1 : static_cast<int>(console_.interrupt));
        feed_.Close();
        const BrokerFeed::Tally counts = feed_.Counts();
        std::string summary = "publish ended: " + std::to_string(counts.acknowledged) +
                              " messages acknowledged by the broker";
        if (counts.dropped > 0 || !drained) {
            summary += ", " + std::to_string(counts.dropped) + " dropped while it was away, " +
                       std::to_string(counts.waiting) + " never sent";
        }
        if (counts.losses > 0) {
            summary += ", " + std::to_string(counts.losses) + " broker losses";
        }
        for (const auto& line : ended_) {
            summary += "; " + line->Summary();
        }
        const std::lock_guard lock(noteMutex_);
        console_.err << PriorityPrefix(LogPriority::Info, console_.journal) << summary << "\n";
    }

    std::int64_t Answered() const {
        std::int64_t answered = answeredBefore_;
        for (const auto& line : ended_) {
            answered += line->Count().readings;
        }
        return answered;
    }

    static void Signal(int fd) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(fd, &one, sizeof one);
    }

    // Lines come from this thread, the lines' and the MQTT client's.
    void Note(LogPriority priority, const std::string& line) {
        const std::lock_guard lock(noteMutex_);
        console_.err << PriorityPrefix(priority, console_.journal)
                     << "tavr-12864-cli publish: " << line << "\n"
                     << std::flush;
    }

    PublishOptions options_;
    const PublishReload& reload_;
    Console& console_;
    UniqueFd changed_;  // a line became ready or ended
    std::mutex noteMutex_;
    mutable std::mutex linesMutex_;  // lines_ and options_, which the feed's thread reads
    Lines lines_;
    Lines ended_;                      // the lines stopped at the end, for the summary
    std::int64_t answeredBefore_ = 0;  // the readings of lines a reload stopped
    ServiceNotifier notifier_;
    bool readySent_ = false;
    bool stuckNoted_ = false;
    std::string status_;
    BrokerFeed feed_;  // last: its client thread stops first
};

}  // namespace

ExitStatus RunPublish(const PublishOptions& options, Console& console,
                      const PublishReload& reload) {
    return PublishLoop(options, reload, console).Run();
}

}  // namespace tavr
