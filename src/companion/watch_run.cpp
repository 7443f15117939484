#include "companion/watch_run.h"

#include <algorithm>

#include "companion/log_timestamp.h"
#include "companion/meter_link.h"
#include "companion/port_probe.h"
#include "companion/reading_formats.h"
#include "companion/register_address.h"
#include "companion/run_log.h"
#include "companion/window_catalogue.h"
#include "serial/posix/com_port_path.h"

namespace tavr {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds FirstReopenWait{250};
constexpr milliseconds LongestReopenWait{8000};
constexpr int RetriesPerReading = 2;
// The status line shows this many of the chosen registers.
constexpr std::size_t StatusValues = 4;

class WatchLoop {
  public:
    WatchLoop(const WatchOptions& options, Console& console)
        : options_(options),
          console_(console),
          link_(console.interruptFd),
          catalogue_(WindowCatalogue()) {}

    ExitStatus Run() {
        device_ = PortDevice();
        SerialOpenResult opened = link_.Open(options_.connection.port, options_.connection.baud);
        if (!opened.Succeeded()) {
            console_.err << "tavr-12864-cli watch: "
                         << OpenFailureText(options_.connection.port, options_.connection.baud,
                                            std::move(opened))
                         << "\n";
            return ExitStatus::PortUnavailable;
        }
        std::string error;
        if (!log_.Open(options_.output, RunLog::Header(options_.registers, catalogue_),
                       console_.out, error)) {
            console_.err << "tavr-12864-cli watch: " << error << "\n";
            return ExitStatus::BadUsage;
        }
        start_ = Clock::now();
        for (Clock::time_point due = start_; !stopped_ && BeforeEnd(due); due = NextDue(due)) {
            if (!link_.Pause(std::chrono::ceil<milliseconds>(due - Clock::now()))) {
                break;
            }
            TakeReading(due + options_.every);
        }
        ShowSummary();
        return tally_.readings > 0 ? ExitStatus::Done : ExitStatus::NoAnswer;
    }

  private:
    bool BeforeEnd(Clock::time_point moment) const {
        return !options_.duration || moment < start_ + *options_.duration;
    }

    // The first moment on the reading grid after now: readings missed while waiting for an
    // answer or a reconnection are skipped, not caught up in a burst.
    Clock::time_point NextDue(Clock::time_point due) const {
        const Clock::time_point now = Clock::now();
        due += options_.every;
        if (due < now) {
            due += ((now - due) / options_.every + 1) * options_.every;
        }
        return due;
    }

    void TakeReading(Clock::time_point nextDue) {
        for (int attempt = 0; attempt <= RetriesPerReading; ++attempt) {
            const ReadOutcome read = link_.ReadRegisters(options_.connection.deviceId);
            switch (read.outcome) {
                case ExchangeOutcome::Answered:
                    Record(read.reply);
                    return;
                case ExchangeOutcome::Interrupted:
                    stopped_ = true;
                    return;
                case ExchangeOutcome::HungUp:
                    Reconnect();
                    return;
                case ExchangeOutcome::Garbled:
                    ++tally_.dropped;
                    break;
                case ExchangeOutcome::Silent:
                    ++tally_.timeouts;
                    break;
            }
            ShowStatus("");
            if (Clock::now() >= nextDue) {
                return;
            }
        }
    }

    void Record(const ReadReply& reply) {
        const RegisterReadings readings = DecodeReadings(reply, catalogue_);
        const std::string timestamp = LocalTimestamp(std::chrono::system_clock::now());
        ClearStatus();
        if (!log_.WriteRow(timestamp, readings, options_.registers, catalogue_)) {
            console_.err << "tavr-12864-cli watch: cannot write "
                         << (options_.output.empty() ? "standard output" : options_.output) << "\n";
            stopped_ = true;
            return;
        }
        ++tally_.readings;
        lastValues_.clear();
        for (std::size_t k = 0; k < std::min(StatusValues, options_.registers.size()); ++k) {
            const RegisterReading& reading = readings[options_.registers[k]];
            lastValues_ += " " + NumberText(reading, catalogue_) + reading.unit;
        }
        ShowStatus("");
    }

    // What the COM number names now: its link, or its place among the devices present.
    std::filesystem::path PortDevice() const {
        return LookUpComPort(options_.connection.port, {ComPortLinkFolder(), "/"}).path;
    }

    // Reopens the port after a hang-up, waiting longer after each failed attempt, until it is
    // open again, the run's end has come or the operator interrupted. Only the device watched
    // before is reopened: while an adapter is out, its COM number may count to another device.
    void Reconnect() {
        link_.Close();
        milliseconds wait = FirstReopenWait;
        while (true) {
            ShowStatus(" · reconnecting");
            if (!link_.Pause(wait)) {
                stopped_ = true;
                return;
            }
            if (PortDevice() == device_ &&
                link_.Open(options_.connection.port, options_.connection.baud).Succeeded()) {
                ++tally_.reconnects;
                ShowStatus("");
                return;
            }
            if (!BeforeEnd(Clock::now())) {
                stopped_ = true;
                return;
            }
            wait = std::min(wait * 2, LongestReopenWait);
        }
    }

    std::string Counts() const {
        return std::to_string(tally_.readings) + " readings, " + std::to_string(tally_.dropped) +
               " dropped, " + std::to_string(tally_.timeouts) + " time-outs, " +
               std::to_string(tally_.reconnects) + " reconnects";
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
    RegisterCatalogue catalogue_;
    RunLog log_;
    WatchTally tally_;
    Clock::time_point start_;
    std::string lastValues_;
    std::filesystem::path device_;
    bool stopped_ = false;
};

}  // namespace

ExitStatus RunWatch(const WatchOptions& options, Console& console) {
    return WatchLoop(options, console).Run();
}

}  // namespace tavr
