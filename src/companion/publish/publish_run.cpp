#include "companion/publish/publish_run.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "companion/log/log_timestamp.h"
#include "companion/meter/polling_run.h"
#include "companion/meter/port_probe.h"
#include "companion/meter/window_catalogue.h"
#include "companion/publish/broker_feed.h"
#include "companion/publish/meter_availability.h"
#include "companion/publish/stable_port_name.h"

namespace tavr {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kBrokerPatience{10'000};
constexpr milliseconds kDrainPatience{5'000};

struct MeterTally {
    std::int64_t readings = 0;
    std::int64_t timeouts = 0;
    std::int64_t garbled = 0;
};

// One meter on the line: the catalogue its replies decode with (it keeps that meter's
// decimals), its availability and its counts; and what its announcements tell Home Assistant,
// which the MQTT client's thread reads (under the loop's announcement mutex): the decimals of its
// measurements and its latest state.
struct PolledMeter {
    int deviceId = 1;
    RegisterCatalogue catalogue = WindowCatalogue();
    MeterAvailability availability;
    MeterTally tally;
    DiscoveryDetails discovery;
    std::optional<MqttMessage> latestState;
};

class PublishLoop {
  public:
    PublishLoop(const PublishOptions& options, Console& console)
        : options_(options),
          console_(console),
          polling_(options.lines.front().poll, console.interrupt),
          feed_([this](BrokerFeed::Occasion occasion) { return Announcements(occasion); },
                [this](LogPriority priority, const std::string& line) { Note(priority, line); },
                options.topics.BirthTopic()) {
        for (const std::uint8_t id : options_.lines.front().poll.connection.deviceIds) {
            meters_.push_back(std::make_unique<PolledMeter>());
            PolledMeter& meter = *meters_.back();
            meter.deviceId = id;
            meter.discovery = {DisplayPrecision(meter.catalogue),
                               ExpireAfter(options_.lines.front().poll.every)};
        }
    }

    ExitStatus Run() {
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
        SerialOpenResult opened = polling_.Open();
        if (!opened.Succeeded() && !WaitForPort(std::move(opened))) {
            feed_.Close();
            return ExitStatus::PortUnavailable;
        }
        // A cycle that runs past the next one's moment is followed at once, and said once.
        polling_.Run({[this](const MeterPoll& poll) { Take(poll); },
                      [this](Clock::duration) {
                          Note(LogPriority::Warning,
                               "one cycle of " + std::to_string(meters_.size()) +
                                   " meters takes longer than --every; cycles run back to back");
                      },
                      [] {}, [] {}});
        Finish();
        if (!feed_.EverConnected()) {
            return ExitStatus::BrokerUnavailable;  // nothing of the run reached anyone
        }
        return Answered() > 0 ? ExitStatus::Done : ExitStatus::NoAnswer;
    }

  private:
    // A port that cannot be opened at the start ends a timed run (a script wants to know); a
    // gateway left to run waits for it like for an adapter pulled out, its meters offline
    // meanwhile. False when the run ends instead.
    bool WaitForPort(SerialOpenResult opened) {
        const std::string failure =
            OpenFailureText(options_.lines.front().poll.connection, std::move(opened));
        if (options_.lines.front().poll.duration) {
            Note(LogPriority::Error, failure);
            return false;
        }
        Note(LogPriority::Warning, failure + "; waiting for it, the meters offline meanwhile");
        for (const auto& meter : meters_) {
            feed_.Post(AvailabilityMessage(options_.topics, meter->deviceId, false));
        }
        if (!polling_.WaitUntilOpen([] {})) {
            Finish();
            return false;
        }
        Note(LogPriority::Info, "the port is open: polling the meters");
        return true;
    }

    void Take(const MeterPoll& poll) {
        PolledMeter& meter = MeterOf(poll.deviceId);
        meter.tally.timeouts += poll.silent;
        meter.tally.garbled += poll.garbled;
        if (poll.Answered()) {
            Publish(meter, poll);
        } else if (poll.outcome != ExchangeOutcome::Interrupted) {
            Miss(meter);
        }
    }

    PolledMeter& MeterOf(std::uint8_t deviceId) {
        for (const auto& meter : meters_) {
            if (meter->deviceId == deviceId) {
                return *meter;
            }
        }
        return *meters_.front();  // the cycle asks only the meters it was given
    }

    void Publish(PolledMeter& meter, const MeterPoll& poll) {
        const RegisterReadings readings = DecodeReadings(poll.reply, meter.catalogue);
        const std::string time = LocalTimestamp(poll.time);
        ++meter.tally.readings;
        AnnounceNewDecimals(meter);
        if (const auto changed = meter.availability.Record(true)) {
            feed_.Post(AvailabilityMessage(options_.topics, meter.deviceId, *changed));
        }
        MqttMessage state{options_.topics.StateTopic(meter.deviceId), StatePayload(time, readings)};
        {
            const std::lock_guard lock(announcementMutex_);
            meter.latestState = state;
        }
        feed_.Post(std::move(state));
    }

    // A meter's first answer tells its own decimals (and the user may change them later): Home
    // Assistant is told before the state that shows them.
    void AnnounceNewDecimals(PolledMeter& meter) {
        std::vector<std::optional<int>> precision = DisplayPrecision(meter.catalogue);
        {
            const std::lock_guard lock(announcementMutex_);
            if (precision == meter.discovery.precision) {
                return;
            }
            meter.discovery.precision = std::move(precision);
        }
        for (MqttMessage& config :
             DiscoveryMessages(options_.topics, meter.deviceId, meter.discovery)) {
            feed_.Post(std::move(config));
        }
    }

    void Miss(PolledMeter& meter) {
        if (const auto changed = meter.availability.Record(false)) {
            feed_.Post(AvailabilityMessage(options_.topics, meter.deviceId, *changed));
            if (!*changed) {
                Note(LogPriority::Warning,
                     "device " + std::to_string(meter.deviceId) + " is offline: no answer in " +
                         std::to_string(MeterAvailability::kCyclesToOffline) + " cycles");
            }
        }
    }

    // Called on the MQTT client's thread at each connection and each birth of Home Assistant
    // (the broker keeps the retained availabilities, but not the states).
    std::vector<MqttMessage> Announcements(BrokerFeed::Occasion occasion) {
        const bool birth = occasion == BrokerFeed::Occasion::Birth;
        std::vector<MqttMessage> messages;
        if (!birth) {
            messages.push_back({options_.topics.GatewayAvailabilityTopic(), kOnline, true});
        }
        if (std::optional<MqttMessage> gateway = GatewayDiscoveryMessage(options_.topics)) {
            messages.push_back(std::move(*gateway));
        }
        const std::lock_guard lock(announcementMutex_);
        for (const auto& meter : meters_) {
            for (MqttMessage& config :
                 DiscoveryMessages(options_.topics, meter->deviceId, meter->discovery)) {
                messages.push_back(std::move(config));
            }
            if (birth && meter->latestState) {
                messages.push_back(*meter->latestState);
            }
        }
        return messages;
    }

    // The meters go offline with the gateway; whatever is queued gets a last chance to go out.
    void Finish() {
        for (const std::uint8_t id : options_.lines.front().poll.connection.deviceIds) {
            feed_.Post(AvailabilityMessage(options_.topics, id, false));
        }
        feed_.Post({options_.topics.GatewayAvailabilityTopic(), kOffline, true});
        // An interrupted run still waits a little, but not for a second Ctrl+C.
        const bool drained = feed_.Drain(
            kDrainPatience, polling_.Stopped() ? -1 : static_cast<int>(console_.interrupt));
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
        for (const auto& meter : meters_) {
            summary += "; device " + std::to_string(meter->deviceId) + ": " +
                       std::to_string(meter->tally.readings) + " readings, " +
                       std::to_string(meter->tally.timeouts) + " time-outs, " +
                       std::to_string(meter->tally.garbled) + " garbled";
        }
        const std::lock_guard lock(noteMutex_);
        console_.err << PriorityPrefix(LogPriority::Info, console_.journal) << summary << "\n";
    }

    std::int64_t Answered() const {
        std::int64_t answered = 0;
        for (const auto& meter : meters_) {
            answered += meter->tally.readings;
        }
        return answered;
    }

    // Lines come from this thread and the MQTT client's.
    void Note(LogPriority priority, const std::string& line) {
        const std::lock_guard lock(noteMutex_);
        console_.err << PriorityPrefix(priority, console_.journal)
                     << "tavr-12864-cli publish: " << line << "\n"
                     << std::flush;
    }

    const PublishOptions& options_;
    Console& console_;
    PollingRun polling_;
    std::vector<std::unique_ptr<PolledMeter>> meters_;
    std::mutex noteMutex_;
    std::mutex announcementMutex_;
    BrokerFeed feed_;  // last: its client thread stops first
};

}  // namespace

ExitStatus RunPublish(const PublishOptions& options, Console& console,
                      const PublishReload& /*reload*/) {
    // Home Assistant's ids are made from the port's name: one that changes on re-plugging would
    // make new devices of the same meters.
    PublishOptions stable = options;
    stable.topics.port = StablePortName(options.topics.port);
    return PublishLoop(stable, console).Run();
}

}  // namespace tavr
