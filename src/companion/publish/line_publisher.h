#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "companion/meter/polling_run.h"
#include "companion/platform/log_priority.h"
#include "companion/publish/broker_feed.h"
#include "companion/publish/meter_availability.h"
#include "companion/publish/mqtt_payloads.h"
#include "companion/publish/publish_run.h"
#include "companion/publish/setting_command.h"
#include "companion/publish/setting_command_result.h"
#include "serial/posix/unique_fd.h"

namespace tavr {

// One serial line of the gateway, polled on a thread of its own so that a dead or slow line
// never delays another: it opens the port (or waits for it, its meters offline meanwhile),
// polls its meters on its schedule, one request at a time, and posts each meter's state and
// availability to the broker feed. Work for the line (a write) is queued from any thread and
// done on the line's thread between two polls.
class LinePublisher {
  public:
    using Clock = std::chrono::steady_clock;
    using Note = std::function<void(LogPriority, const std::string&)>;

    // What a line posts and says goes to the gateway's feed and log; `changed` is told when the
    // line became ready or ended, on the line's thread.
    struct Gateway {
        TopicPlan topics;
        BrokerFeed& feed;
        Note note;
        std::function<void()> changed;
        std::vector<std::uint16_t> writable;  // the settings Home Assistant may write
    };

    // `lineInTopics`: the gateway has several lines, whose meters' topics name their line.
    LinePublisher(const PublishLine& line, bool lineInTopics, Gateway gateway);
    // Stops the line and waits for its thread.
    ~LinePublisher();
    LinePublisher(const LinePublisher&) = delete;
    LinePublisher& operator=(const LinePublisher&) = delete;

    // Starts the line's thread. With `endIfMissing` (the only line of a timed run) a port that
    // cannot be opened at the start ends the line instead of being waited for.
    void Start(bool endIfMissing);
    bool Started() const { return thread_.joinable(); }
    // Asks the line to end after the request on the wire; Join waits for it.
    void Stop();
    void Join();

    // The line polled its meters once, or found its port missing and waits for it.
    bool Ready() const { return ready_; }
    bool Ended() const { return ended_; }
    // The port could not be opened at the start and the line ended for it.
    bool EndedWithoutPort() const { return endedWithoutPort_; }
    // The line's thread has not come back from a wait long past that wait's limit.
    bool Stuck(Clock::time_point now) const;

    const PublishLine& Line() const { return line_; }
    // Whether these options would make this very line, meters and topics alike.
    bool Same(const PublishLine& line, bool lineInTopics) const;

    struct Counts {
        int meters = 0;
        int answering = 0;  // meters online now
        std::int64_t readings = 0;
    };
    Counts Count() const;

    // The line's meters' discovery, and on Home Assistant's birth their latest states; called on
    // the MQTT client's thread.
    void AppendAnnouncements(BrokerFeed::Occasion occasion, std::vector<MqttMessage>& out) const;
    // Every meter of the line offline: the line is stopped or the gateway ends.
    void PostOffline();
    // "device 3: 120 readings, 2 time-outs, 0 garbled; ..."
    std::string Summary() const;

    // A message on a meter's command topic: a setting to write, checked at once (a refusal is
    // told on the meter's result topic) and written between two polls. False when the topic is
    // none of this line's meters'. Called on the MQTT client's thread.
    bool Command(const MqttMessage& message);

  private:
    struct Tally {
        std::int64_t readings = 0;
        std::int64_t timeouts = 0;
        std::int64_t garbled = 0;
    };
    // One meter: the catalogue its replies decode with (it keeps that meter's decimals), its
    // availability and counts, and what its announcements tell Home Assistant.
    struct Meter {
        MeterPlace place;
        RegisterCatalogue catalogue;
        MeterAvailability availability;
        Tally tally;
        DiscoveryDetails discovery;
        std::optional<MqttMessage> latestState;
    };

    void Run(bool endIfMissing);
    bool WaitForPort(SerialOpenResult opened, bool endIfMissing);
    // The line is gone: its meters offline at once.
    void LoseMeters();
    void Take(const MeterPoll& poll);
    void Publish(Meter& meter, const MeterPoll& poll);
    void AnnounceNewDecimals(Meter& meter);
    void Miss(Meter& meter);
    // Queues `work` for the line's thread, between two polls; false when the line has ended.
    bool Queue(std::function<void(MeterLink&)> work);
    void DoQueuedWork();
    void Write(Meter& meter, const SettingCommand& command, const SettingWrite& write);
    void Tell(const Meter& meter, const SettingCommandResult& result);
    Meter& MeterOf(std::uint8_t deviceId);
    void MarkReady();
    // The thread's next wait ends within `allowance` (and a margin), or it is stuck.
    void Beat(Clock::duration allowance);
    Clock::duration CycleAllowance();

    const PublishLine line_;
    const bool lineInTopics_;
    Gateway gateway_;
    UniqueFd stop_;  // the line's own interruption: Stop() and the gateway's end
    PollingRun polling_;
    std::vector<std::unique_ptr<Meter>> meters_;
    mutable std::mutex metersMutex_;  // the meters' announcements and counts, read elsewhere

    std::mutex workMutex_;
    std::deque<std::function<void(MeterLink&)>> work_;
    bool acceptsWork_ = true;

    std::atomic<bool> portOpen_{false};
    std::atomic<bool> ready_{false};
    std::atomic<bool> ended_{false};
    std::atomic<bool> endedWithoutPort_{false};
    std::atomic<Clock::rep> beatLimit_{Clock::time_point::max().time_since_epoch().count()};
    std::thread thread_;
};

}  // namespace tavr
