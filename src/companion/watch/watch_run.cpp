#include "companion/watch/watch_run.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "companion/log/log_timestamp.h"
#include "companion/log/run_log.h"
#include "companion/meter/meter_link.h"
#include "companion/meter/meter_poll_cycle.h"
#include "companion/meter/poll_schedule.h"
#include "companion/meter/port_probe.h"
#include "companion/meter/port_reopening.h"
#include "companion/meter/reading_formats.h"
#include "companion/meter/window_catalogue.h"

namespace tavr {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The status line shows this many of the chosen registers.
constexpr std::size_t kStatusValues = 4;

std::string SecondsText(Clock::duration duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g s", std::chrono::duration<double>(duration).count());
    return text;
}

class WatchLoop {
  public:
    WatchLoop(const WatchOptions& options, Console& console)
        : options_(options),
          console_(console),
          link_(console.interrupt),
          cycle_(link_, options.connection.deviceIds, options.connection.retries),
          schedule_(options.every, options.duration),
          catalogue_(WindowCatalogue()) {
        for (const std::uint8_t deviceId : options.connection.deviceIds) {
            tallies_[deviceId];
        }
    }

    ExitStatus Run() {
        device_ = ChosenDevice(options_.connection);
        SerialOpenResult opened = link_.Open(options_.connection);
        if (!opened.Succeeded()) {
            Complain(OpenFailureText(options_.connection, std::move(opened)));
            return ExitStatus::PortUnavailable;
        }
        std::string error;
        std::string notice;
        const std::string header = RunLog::Header(options_.registers, catalogue_, SeveralMeters());
        if (!log_.Open(options_.output, header, console_, error, notice)) {
            Complain(error);
            return log_.Failure().empty() ? ExitStatus::BadUsage : ExitStatus::OutputFailed;
        }
        if (!notice.empty()) {
            Complain(notice);
        }
        schedule_.Start(Clock::now());
        for (Clock::time_point due = schedule_.StartedAt(); !stopped_ && schedule_.BeforeEnd(due);
             due = schedule_.Next(due, overran_, Clock::now())) {
            if (!link_.Pause(std::chrono::ceil<milliseconds>(due - Clock::now()))) {
                break;
            }
            TakeReadings(due + options_.every);
        }
        ShowSummary();
        if (outputFailed_) {
            return ExitStatus::OutputFailed;
        }
        return WrittenRows() > 0 ? ExitStatus::Done : ExitStatus::NoAnswer;
    }

  private:
    bool SeveralMeters() const { return options_.connection.deviceIds.size() > 1; }

    void TakeReadings(Clock::time_point nextDue) {
        const Clock::time_point began = Clock::now();
        overran_ = false;
        for (const MeterPoll& poll : cycle_.Run(nextDue)) {
            TallyOf(poll.deviceId).timeouts += poll.silent;
            TallyOf(poll.deviceId).dropped += poll.garbled;
            switch (poll.outcome) {
                case ExchangeOutcome::Answered:
                    Record(poll);
                    break;
                case ExchangeOutcome::Interrupted:
                    stopped_ = true;
                    return;
                case ExchangeOutcome::HungUp:
                    Reconnect();
                    return;
                case ExchangeOutcome::Silent:
                case ExchangeOutcome::Garbled:
                    ShowStatus("");
                    break;
            }
            if (stopped_) {
                return;
            }
        }
        const Clock::duration took = Clock::now() - began;
        overran_ = schedule_.Overran(took);
        if (overran_ && !warnedOverrun_) {
            warnedOverrun_ = true;
            Complain("a cycle of " + std::to_string(options_.connection.deviceIds.size()) +
                     (SeveralMeters() ? " meters" : " meter") + " took " + SecondsText(took) +
                     ", longer than --every " + SecondsText(options_.every) +
                     "; cycles now run back to back");
        }
    }

    WatchTally& TallyOf(std::uint8_t deviceId) { return tallies_[deviceId]; }

    void Record(const MeterPoll& poll) {
        const RegisterReadings readings = DecodeReadings(poll.reply, catalogue_);
        ClearStatus();
        const std::string row =
            RunLog::Row(LocalTimestamp(poll.time), SeveralMeters() ? poll.deviceId : 0, readings,
                        options_.registers, catalogue_);
        if (!log_.WriteRow(row)) {
            Complain("cannot write " + log_.Name() + ": " + log_.Failure() +
                     "; the row was not written, watching stops");
            stopped_ = true;
            outputFailed_ = true;
            return;
        }
        ++TallyOf(poll.deviceId).readings;
        lastValues_ = SeveralMeters() ? " device " + std::to_string(poll.deviceId) + ":" : "";
        for (std::size_t k = 0; k < std::min(kStatusValues, options_.registers.size()); ++k) {
            const RegisterReading& reading = readings[options_.registers[k]];
            lastValues_ += " " + NumberText(reading, catalogue_) + reading.unit;
        }
        ShowStatus("");
    }

    // Reopens the port after a hang-up, showing that it does, until it is open again, the run's
    // end has come or the operator interrupted.
    void Reconnect() {
        if (!ReopenAfterHangUp(link_, options_.connection, device_, schedule_,
                               [this] { ShowStatus(" · reconnecting"); })) {
            stopped_ = true;
            return;
        }
        ++reconnects_;
        ShowStatus("");
    }

    std::int64_t WrittenRows() const {
        std::int64_t rows = 0;
        for (const auto& [deviceId, tally] : tallies_) {
            rows += tally.readings;
        }
        return rows;
    }

    static std::string TallyText(const WatchTally& tally) {
        return std::to_string(tally.readings) + " readings, " + std::to_string(tally.dropped) +
               " dropped, " + std::to_string(tally.timeouts) + " time-outs";
    }

    std::string Counts() const {
        std::string counts;
        for (const std::uint8_t deviceId : options_.connection.deviceIds) {
            const WatchTally& tally = tallies_.at(deviceId);
            counts += SeveralMeters()
                          ? "device " + std::to_string(deviceId) + ": " + TallyText(tally) + "; "
                          : TallyText(tally) + ", ";
        }
        return counts + std::to_string(reconnects_) + " reconnects";
    }

    void ShowStatus(const std::string& state) {
        if (console_.statusLine) {
            console_.err << "\r\033[K" << Counts() << " ·" << lastValues_ << state << std::flush;
        }
    }

    void ClearStatus() {
        if (console_.statusLine) {
            console_.err << "\r\033[K" << std::flush;
        }
    }

    void Complain(const std::string& message) {
        ClearStatus();
        console_.err << "tavr-12864-cli watch: " << message << "\n";
    }

    void ShowSummary() {
        ClearStatus();
        console_.err << "watch ended: " << Counts();
        if (!options_.output.empty()) {
            console_.err << "; rows appended to " << options_.output;
        }
        console_.err << "\n";
    }

    const WatchOptions& options_;
    Console& console_;
    MeterLink link_;
    MeterPollCycle cycle_;
    PollSchedule schedule_;
    RegisterCatalogue catalogue_;
    RunLog log_;
    std::map<std::uint8_t, WatchTally> tallies_;
    std::int64_t reconnects_ = 0;
    std::string lastValues_;
    std::filesystem::path device_;
    bool stopped_ = false;
    bool outputFailed_ = false;
    bool overran_ = false;
    bool warnedOverrun_ = false;
};

}  // namespace

ExitStatus RunWatch(const WatchOptions& options, Console& console) {
    return WatchLoop(options, console).Run();
}

}  // namespace tavr
