#include "companion/publish/line_publisher.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include "companion/log/log_timestamp.h"
#include "companion/meter/port_probe.h"
#include "companion/meter/port_reopening.h"
#include "companion/meter/window_catalogue.h"
#include "companion/publish/setting_write.h"

namespace tavr {

namespace {

using std::chrono::milliseconds;

// Beyond the longest wait a line's thread makes (a cycle's time-outs, the pause to the next
// cycle, a wait for the port), how long it may take to come back before it counts as stuck.
constexpr milliseconds kBeatMargin{10'000};

}  // namespace

LinePublisher::LinePublisher(const PublishLine& line, bool lineInTopics, Gateway gateway)
    : line_(line),
      lineInTopics_(lineInTopics),
      gateway_(std::move(gateway)),
      stop_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      polling_(line_.poll, stop_.Get()) {
    for (const std::uint8_t id : line_.poll.connection.deviceIds) {
        auto meter = std::make_unique<Meter>();
        meter->place = {line_.poll.connection.PortName(), line_.name, lineInTopics_, id};
        meter->catalogue = WindowCatalogue();
        meter->discovery = {DisplayPrecision(meter->catalogue), ExpireAfter(line_.poll.every),
                            gateway_.writable};
        meters_.push_back(std::move(meter));
    }
}

LinePublisher::~LinePublisher() {
    Stop();
    Join();
}

void LinePublisher::Start(bool endIfMissing) {
    thread_ = std::thread([this, endIfMissing] { Run(endIfMissing); });
}

void LinePublisher::Stop() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(stop_.Get(), &one, sizeof one);
}

void LinePublisher::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool LinePublisher::Stuck(Clock::time_point now) const {
    return !ended_ && now.time_since_epoch().count() > beatLimit_.load();
}

bool LinePublisher::Same(const PublishLine& line, bool lineInTopics) const {
    return line == line_ && lineInTopics == lineInTopics_;
}

LinePublisher::Counts LinePublisher::Count() const {
    Counts counts;
    const std::lock_guard lock(metersMutex_);
    for (const auto& meter : meters_) {
        ++counts.meters;
        counts.answering += meter->availability.Online().value_or(false) ? 1 : 0;
        counts.readings += meter->tally.readings;
    }
    return counts;
}

void LinePublisher::AppendAnnouncements(BrokerFeed::Occasion occasion,
                                        std::vector<MqttMessage>& out) const {
    const std::lock_guard lock(metersMutex_);
    for (const auto& meter : meters_) {
        for (MqttMessage& config :
             DiscoveryMessages(gateway_.topics, meter->place, meter->discovery)) {
            out.push_back(std::move(config));
        }
        if (occasion == BrokerFeed::Occasion::Birth && meter->latestState) {
            out.push_back(*meter->latestState);
        }
    }
}

void LinePublisher::PostOffline() {
    for (const auto& meter : meters_) {
        gateway_.feed.Post(AvailabilityMessage(gateway_.topics, meter->place, false));
    }
}

void LinePublisher::LoseMeters() {
    for (const auto& meter : meters_) {
        std::optional<bool> changed;
        {
            const std::lock_guard lock(metersMutex_);
            changed = meter->availability.Lose();
        }
        if (changed) {
            gateway_.feed.Post(AvailabilityMessage(gateway_.topics, meter->place, false));
        }
    }
}

std::string LinePublisher::Summary() const {
    const std::lock_guard lock(metersMutex_);
    std::string summary;
    for (const auto& meter : meters_) {
        summary += (summary.empty() ? "" : "; ") + std::string("device ") +
                   std::to_string(meter->place.deviceId) +
                   (lineInTopics_ ? " on " + meter->place.LineLevel() : "") + ": " +
                   std::to_string(meter->tally.readings) + " readings, " +
                   std::to_string(meter->tally.timeouts) + " time-outs, " +
                   std::to_string(meter->tally.garbled) + " garbled";
    }
    return summary;
}

bool LinePublisher::Command(const MqttMessage& message) {
    for (const auto& meter : meters_) {
        const std::optional<std::string> key =
            gateway_.topics.SettingKeyOf(meter->place, message.topic);
        if (!key) {
            continue;
        }
        const SettingCommand command{*key, message.payload, message.retained};
        // The line's catalogues change with the meters' decimals on the line's thread; a
        // setting's scale is the same in every catalogue.
        const CheckedSettingCommand checked =
            CheckSettingCommand(command, gateway_.writable, WindowCatalogue());
        Meter* target = meter.get();
        if (!checked.write) {
            Tell(*target, RefusedResult(command, checked.refusal));
        } else if (!portOpen_) {
            // Written when the adapter comes back, maybe hours later, it would surprise.
            Tell(*target, RefusedResult(command, "the meter's port is not open"));
        } else if (!Queue([this, target, command, write = *checked.write](MeterLink&) {
                       Write(*target, command, write);
                   })) {
            Tell(*target, RefusedResult(command, "the line has stopped"));
        }
        return true;
    }
    return false;
}

// On the line's thread, between two polls: the write and its read-back, whose registers are
// published as the meter's state at once.
void LinePublisher::Write(Meter& meter, const SettingCommand& command, const SettingWrite& write) {
    const SettingWriteOutcome outcome =
        WriteSetting(polling_.Link(), static_cast<std::uint8_t>(meter.place.deviceId), write);
    if (outcome.readBack) {
        MeterPoll poll;
        poll.deviceId = static_cast<std::uint8_t>(meter.place.deviceId);
        poll.outcome = ExchangeOutcome::Answered;
        poll.reply = *outcome.readBack;
        poll.time = std::chrono::system_clock::now();
        Publish(meter, poll);
    }
    Tell(meter, WrittenResult(command, write, outcome));
}

void LinePublisher::Tell(const Meter& meter, const SettingCommandResult& result) {
    gateway_.feed.Post(WriteResultMessage(gateway_.topics, meter.place, result));
    gateway_.note(result.ok ? LogPriority::Info : LogPriority::Warning,
                  WriteResultLogLine(meter.place, result));
}

bool LinePublisher::Queue(std::function<void(MeterLink&)> work) {
    {
        const std::lock_guard lock(workMutex_);
        if (!acceptsWork_) {
            return false;
        }
        work_.push_back(std::move(work));
    }
    polling_.Wake();
    return true;
}

void LinePublisher::Run(bool endIfMissing) {
    Beat(kLongestReopenWait + line_.poll.connection.timeout);
    SerialOpenResult opened = polling_.Open();
    if (opened.Succeeded() || WaitForPort(std::move(opened), endIfMissing)) {
        portOpen_ = true;
        // A cycle that runs past the next one's moment is followed at once, and said once.
        polling_.Run({[this](const MeterPoll& poll) { Take(poll); },
                      [this](Clock::duration) {
                          gateway_.note(LogPriority::Warning,
                                        "one cycle of " + std::to_string(meters_.size()) +
                                            " meters on " + line_.poll.connection.PortName() +
                                            " takes longer than its period; cycles run back to "
                                            "back");
                      },
                      [this] {
                          portOpen_ = false;
                          LoseMeters();
                          Beat(kLongestReopenWait + line_.poll.connection.timeout);
                      },
                      [this] {
                          portOpen_ = true;
                          gateway_.note(LogPriority::Info,
                                        line_.poll.connection.PortName() + " is back");
                      },
                      [this] { DoQueuedWork(); }});
    }
    {
        const std::lock_guard lock(workMutex_);
        acceptsWork_ = false;
        work_.clear();
    }
    MarkReady();
    ended_ = true;
    gateway_.changed();
}

// A port that cannot be opened at the start ends the only line of a timed run (a script wants
// to know); otherwise the line waits for it like for an adapter pulled out, its meters offline
// meanwhile. False when the line ends instead.
bool LinePublisher::WaitForPort(SerialOpenResult opened, bool endIfMissing) {
    const std::string failure = OpenFailureText(line_.poll.connection, std::move(opened));
    if (endIfMissing) {
        gateway_.note(LogPriority::Error, failure);
        endedWithoutPort_ = true;
        return false;
    }
    gateway_.note(LogPriority::Warning, failure + "; waiting for it, its meters offline meanwhile");
    LoseMeters();
    MarkReady();
    if (!polling_.WaitUntilOpen(
            [this] { Beat(kLongestReopenWait + line_.poll.connection.timeout); })) {
        return false;
    }
    gateway_.note(LogPriority::Info,
                  line_.poll.connection.PortName() + " is open: polling its meters");
    return true;
}

void LinePublisher::Take(const MeterPoll& poll) {
    Beat(CycleAllowance());
    Meter& meter = MeterOf(poll.deviceId);
    {
        const std::lock_guard lock(metersMutex_);
        meter.tally.timeouts += poll.silent;
        meter.tally.garbled += poll.garbled;
    }
    if (poll.Answered()) {
        Publish(meter, poll);
    } else if (poll.outcome != ExchangeOutcome::Interrupted) {
        Miss(meter);
    }
    if (&meter == meters_.back().get()) {
        MarkReady();
    }
}

LinePublisher::Meter& LinePublisher::MeterOf(std::uint8_t deviceId) {
    for (const auto& meter : meters_) {
        if (meter->place.deviceId == deviceId) {
            return *meter;
        }
    }
    return *meters_.front();  // the cycle asks only the meters it was given
}

void LinePublisher::Publish(Meter& meter, const MeterPoll& poll) {
    const RegisterReadings readings = DecodeReadings(poll.reply, meter.catalogue);
    AnnounceNewDecimals(meter);
    std::optional<bool> changed;
    MqttMessage state{gateway_.topics.StateTopic(meter.place),
                      StatePayload(LocalTimestamp(poll.time), readings, gateway_.writable)};
    {
        const std::lock_guard lock(metersMutex_);
        ++meter.tally.readings;
        changed = meter.availability.Record(true);
        meter.latestState = state;
    }
    if (changed) {
        gateway_.feed.Post(AvailabilityMessage(gateway_.topics, meter.place, *changed));
    }
    gateway_.feed.Post(std::move(state));
}

// A meter's first answer tells its own decimals (and the user may change them later): Home
// Assistant is told before the state that shows them.
void LinePublisher::AnnounceNewDecimals(Meter& meter) {
    std::vector<std::optional<int>> precision = DisplayPrecision(meter.catalogue);
    DiscoveryDetails details;
    {
        const std::lock_guard lock(metersMutex_);
        if (precision == meter.discovery.precision) {
            return;
        }
        meter.discovery.precision = std::move(precision);
        details = meter.discovery;
    }
    for (MqttMessage& config : DiscoveryMessages(gateway_.topics, meter.place, details)) {
        gateway_.feed.Post(std::move(config));
    }
}

void LinePublisher::Miss(Meter& meter) {
    std::optional<bool> changed;
    {
        const std::lock_guard lock(metersMutex_);
        changed = meter.availability.Record(false);
    }
    if (!changed) {
        return;
    }
    gateway_.feed.Post(AvailabilityMessage(gateway_.topics, meter.place, *changed));
    if (!*changed) {
        gateway_.note(LogPriority::Warning,
                      "device " + std::to_string(meter.place.deviceId) + " on " +
                          line_.poll.connection.PortName() + " is offline: no answer in " +
                          std::to_string(MeterAvailability::kCyclesToOffline) + " cycles");
    }
}

// Runs between two cycles, on the line's thread: the queued work, one item after another, then
// the promise that the thread is back from its pause by the next cycle's end.
void LinePublisher::DoQueuedWork() {
    while (true) {
        std::function<void(MeterLink&)> work;
        {
            const std::lock_guard lock(workMutex_);
            if (work_.empty()) {
                break;
            }
            work = std::move(work_.front());
            work_.pop_front();
        }
        Beat(CycleAllowance());
        work(polling_.Link());
    }
    Beat(line_.poll.every + CycleAllowance());
}

void LinePublisher::MarkReady() {
    if (!ready_.exchange(true)) {
        gateway_.changed();
    }
}

void LinePublisher::Beat(Clock::duration allowance) {
    beatLimit_ = (Clock::now() + allowance + kBeatMargin).time_since_epoch().count();
}

// The longest a whole cycle may take: each meter asked once and again `retries` times, each
// request waiting its answer's line time and time-out.
LinePublisher::Clock::duration LinePublisher::CycleAllowance() {
    const auto& connection = line_.poll.connection;
    return polling_.Link().ReplyTimeout() *
           static_cast<std::int64_t>(connection.deviceIds.size() * (connection.retries + 1));
}

}  // namespace tavr
