#include "companion/watch/watch_run.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "companion/log/log_timestamp.h"
#include "companion/log/run_log.h"
#include "companion/meter/polling_run.h"
#include "companion/meter/port_probe.h"
#include "companion/meter/reading_formats.h"
#include "companion/meter/window_catalogue.h"

namespace tavr {

namespace {

using Clock = std::chrono::steady_clock;

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
          polling_(options.poll, console.interrupt),
          catalogue_(WindowCatalogue()) {
        for (const std::uint8_t deviceId : options.poll.connection.deviceIds) {
            tallies_[deviceId];
        }
    }

    ExitStatus Run() {
        SerialOpenResult opened = polling_.Open();
        if (!opened.Succeeded()) {
            Complain(OpenFailureText(options_.poll.connection, std::move(opened)));
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
        polling_.Run({[this](const MeterPoll& poll) { Take(poll); },
                      [this](Clock::duration took) { WarnOverrun(took); },
                      [this] { ShowStatus(" · reconnecting"); },
                      [this] {
                          ++reconnects_;
                          ShowStatus("");
                      }});
        ShowSummary();
        if (outputFailed_) {
            return ExitStatus::OutputFailed;
        }
        return WrittenRows() > 0 ? ExitStatus::Done : ExitStatus::NoAnswer;
    }

  private:
    bool SeveralMeters() const { return options_.poll.connection.deviceIds.size() > 1; }

    void Take(const MeterPoll& poll) {
        TallyOf(poll.deviceId).timeouts += poll.silent;
        TallyOf(poll.deviceId).dropped += poll.garbled;
        if (poll.Answered()) {
            Record(poll);
        } else if (poll.outcome == ExchangeOutcome::Silent ||
                   poll.outcome == ExchangeOutcome::Garbled) {
            ShowStatus("");
        }
    }

    void WarnOverrun(Clock::duration took) {
        Complain("a cycle of " + std::to_string(options_.poll.connection.deviceIds.size()) +
                 (SeveralMeters() ? " meters" : " meter") + " took " + SecondsText(took) +
                 ", longer than --every " + SecondsText(options_.poll.every) +
                 "; cycles now run back to back");
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
            polling_.Stop();
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
        for (const std::uint8_t deviceId : options_.poll.connection.deviceIds) {
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
    PollingRun polling_;
    RegisterCatalogue catalogue_;
    RunLog log_;
    std::map<std::uint8_t, WatchTally> tallies_;
    std::int64_t reconnects_ = 0;
    std::string lastValues_;
    bool outputFailed_ = false;
};

}  // namespace

ExitStatus RunWatch(const WatchOptions& options, Console& console) {
    return WatchLoop(options, console).Run();
}

}  // namespace tavr
