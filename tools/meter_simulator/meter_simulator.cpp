#include "meter_simulator/meter_simulator.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include "meter_simulator/line_settings.h"

namespace tavr::simulator {

namespace {

constexpr std::chrono::milliseconds kShortestSilenceGap{20};
constexpr std::chrono::milliseconds kLostLinePause{200};
constexpr std::size_t kLongestCommandLine = 4096;

// 3.5 characters of 11 bits at the given rate, but never so short that a writer on the
// pseudo-terminal that hands over a frame in pieces is cut off.
std::chrono::microseconds SilenceGap(int baud) {
    const std::chrono::microseconds characters{(38'500'000 + baud - 1) / baud};
    return std::max<std::chrono::microseconds>(characters, kShortestSilenceGap);
}

std::string_view VerdictNote(Verdict verdict) {
    switch (verdict) {
        case Verdict::Answered:
            return "";
        case Verdict::Broadcast:
            return "broadcast";
        case Verdict::OtherAddress:
            return "other address";
        case Verdict::Unheard:
            return "not heard: fault silent";
        case Verdict::Discarded:
            break;
    }
    return "discarded";
}

std::string RegisterName(int address) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "0x%04X", static_cast<unsigned>(address));
    return text.data();
}

// SIGINT, SIGTERM and SIGHUP arrive as a readable descriptor instead of interrupting. They
// stay blocked to the end, so a second signal cannot cut short the removal of the link.
class StopSignals {
  public:
    StopSignals() {
        sigset_t signals;
        sigemptyset(&signals);
        for (int stop : {SIGINT, SIGTERM, SIGHUP}) {
            sigaddset(&signals, stop);
        }
        sigprocmask(SIG_BLOCK, &signals, nullptr);
        fd_ = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
        std::signal(SIGPIPE, SIG_IGN);  // a closed standard output must not end the simulator
    }
    ~StopSignals() { close(fd_); }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    int Fd() const { return fd_; }

    bool Arrived() const {
        signalfd_siginfo info{};
        return read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info);
    }

  private:
    int fd_ = -1;
};

}  // namespace

MeterSimulator::MeterSimulator(SimulatorOptions options)
    : options_(std::move(options)),
      silenceGap_(SilenceGap(options_.baud)),
      bus_(BusSetup(options_), options_.seed) {
    if (options_.paced) {
        pace_.emplace(options_.baud, static_cast<std::size_t>(options_.pacedGroup));
    }
}

int MeterSimulator::Run() {
    const StopSignals stopSignals;
    std::string error;
    if (!log_.Open(options_.logDestination, error) || !Connect(error)) {
        std::fprintf(stderr, "tavr-meter-sim: %s\n", error.c_str());
        return 1;
    }
    while (running_) {
        std::vector<pollfd> watched{{stopSignals.Fd(), POLLIN, 0}};
        const int master = line_.Master();
        if (master >= 0) {
            // A paced line sends on its own time, not whenever the pseudo-terminal takes more.
            const bool waitsForRoom = !outbox_.empty() && !pace_;
            watched.push_back(
                {master, static_cast<short>(POLLIN | (waitsForRoom ? POLLOUT : 0)), 0});
            watched.push_back({line_.CloseWatch(), POLLIN, 0});
        }
        const std::size_t commands = watched.size();
        if (options_.readCommands) {
            watched.push_back({STDIN_FILENO, POLLIN, 0});
        }
        const std::optional<timespec> timeout = PollTimeout();
        if (ppoll(watched.data(), watched.size(), timeout ? &*timeout : nullptr, nullptr) < 0 &&
            errno != EINTR) {
            std::fprintf(stderr, "tavr-meter-sim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (watched[0].revents != 0 && stopSignals.Arrived()) {
            break;
        }
        if (master >= 0 && (watched[1].revents & POLLIN) != 0) {
            ReceiveFromLine();
        } else if (master >= 0 && (watched[1].revents & (POLLHUP | POLLERR)) != 0) {
            HangUp(kLostLinePause);  // the line broke: offer a new one
        }
        if (master >= 0 && (watched[1].revents & POLLOUT) != 0) {
            WriteOutbox();
        }
        if (master >= 0 && line_.IsOpen() && watched[2].revents != 0) {
            line_.ForgetExclusiveUse();
        }
        if (commands < watched.size() && watched[commands].revents != 0) {
            ReadCommands();
        }
        RunTimers();
    }
    return exitStatus_;
}

bool MeterSimulator::Connect(std::string& error) {
    if (!line_.Open(error)) {
        return false;
    }
    if (!link_.Create(ComLinkPath(options_.com), line_.SlavePath(), error)) {
        line_.Close();
        return false;
    }
    const std::string com = "com" + std::to_string(options_.com);
    log_.Event("line " + line_.SlavePath() + " linked as " + com);
    Say("ready " + line_.SlavePath() + ' ' + com);
    return true;
}

void MeterSimulator::HangUp(std::chrono::milliseconds pause) {
    log_.Event("hangup");
    DropPendingOutput();
    bus_.ForgetPartialFrame();
    link_.Remove();
    line_.Close();
    reconnectAt_ = Clock::now() + pause;
}

void MeterSimulator::DropPendingOutput() {
    scheduled_.clear();
    outbox_.clear();
    outboxSent_ = 0;
    if (pace_) {
        pace_->Stop();
    }
}

void MeterSimulator::ReceiveFromLine() {
    std::array<std::uint8_t, 4096> buffer{};
    const ssize_t count = read(line_.Master(), buffer.data(), buffer.size());
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    if (count <= 0) {
        HangUp(kLostLinePause);  // the line broke: offer a new one
        return;
    }
    lastInput_ = Clock::now();
    const auto bytes = std::span(buffer).first(static_cast<std::size_t>(count));
    if (options_.checkBaud) {
        const auto settings = ReadLineSettings(line_.Slave());
        if (!settings || !settings->SuitMeterAt(static_cast<std::uint32_t>(options_.baud))) {
            // A meter listening at another rate or format receives only noise.
            const std::string found = settings ? settings->Describe() : "unreadable";
            log_.Frame("rx", bytes, "garbled: the line is set to " + found);
            bus_.ForgetPartialFrame();
            return;
        }
    }
    AdvanceLiveValues();
    Deliver(bus_.Receive(bytes));
}

void MeterSimulator::Deliver(std::vector<Exchange> exchanges) {
    const Clock::time_point now = Clock::now();
    for (Exchange& exchange : exchanges) {
        log_.Frame("rx", exchange.received, VerdictNote(exchange.verdict));
        if (exchange.verdict == Verdict::Answered || exchange.verdict == Verdict::Broadcast) {
            DropPendingOutput();  // the master has gone on to a new request
        }
        if (exchange.answer) {
            const Clock::time_point due = now + exchange.answer->delay;
            scheduled_.emplace(due, std::move(*exchange.answer));
        }
    }
    SendDue(now);
}

void MeterSimulator::SendDue(Clock::time_point now) {
    while (!scheduled_.empty() && scheduled_.begin()->first <= now) {
        Transmission transmission = std::move(scheduled_.begin()->second);
        scheduled_.erase(scheduled_.begin());
        if (transmission.hangUpPause) {
            HangUp(*transmission.hangUpPause);
            return;
        }
        log_.Frame("tx", transmission.bytes);
        outbox_.insert(outbox_.end(), transmission.bytes.begin(), transmission.bytes.end());
    }
    WriteOutbox();
}

void MeterSimulator::WriteOutbox() {
    while (outboxSent_ < outbox_.size() && line_.IsOpen()) {
        const std::size_t ready = ReleasedBytes();
        if (ready == 0) {
            return;  // the pace says when more goes
        }
        const ssize_t written = write(line_.Master(), outbox_.data() + outboxSent_, ready);
        if (written > 0) {
            outboxSent_ += static_cast<std::size_t>(written);
        } else if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;  // poll reports when the line takes more
        } else {
            break;
        }
    }
    outbox_.clear();
    outboxSent_ = 0;
}

std::size_t MeterSimulator::ReleasedBytes() {
    const std::size_t waiting = outbox_.size() - outboxSent_;
    if (!pace_) {
        return waiting;
    }
    const Clock::time_point now = Clock::now();
    pace_->Waiting(now);
    return pace_->Release(now, waiting);
}

void MeterSimulator::RunTimers() {
    const Clock::time_point now = Clock::now();
    if (bus_.HoldsPartialFrame() && now - lastInput_ >= silenceGap_) {
        AdvanceLiveValues();
        Deliver(bus_.Silence());
    }
    SendDue(now);
    if (reconnectAt_ && now >= *reconnectAt_) {
        reconnectAt_.reset();
        std::string error;
        if (!Connect(error)) {
            std::fprintf(stderr, "tavr-meter-sim: %s\n", error.c_str());
            running_ = false;
            exitStatus_ = 1;
        }
    }
}

std::optional<timespec> MeterSimulator::PollTimeout() const {
    std::optional<Clock::time_point> next;
    const auto consider = [&](Clock::time_point due) {
        if (!next || due < *next) {
            next = due;
        }
    };
    if (bus_.HoldsPartialFrame()) {
        consider(lastInput_ + silenceGap_);
    }
    if (!scheduled_.empty()) {
        consider(scheduled_.begin()->first);
    }
    if (reconnectAt_) {
        consider(*reconnectAt_);
    }
    if (pace_ && pace_->NextDue()) {
        consider(*pace_->NextDue());
    }
    if (!next) {
        return std::nullopt;
    }
    // To the nanosecond: a paced line's bytes are about a millisecond apart at 9600 baud.
    const std::int64_t wait = std::max<std::int64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(*next - Clock::now()).count(), 0);
    return timespec{static_cast<time_t>(wait / 1'000'000'000),
                    static_cast<long>(wait % 1'000'000'000)};
}

void MeterSimulator::AdvanceLiveValues() {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastTick_);
    lastTick_ += elapsed;
    if (!options_.frozen) {
        bus_.Tick(elapsed);
    }
}

void MeterSimulator::ReadCommands() {
    std::array<char, 4096> buffer{};
    const ssize_t count = read(STDIN_FILENO, buffer.data(), buffer.size());
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    if (count <= 0) {
        running_ = false;  // the end of the control channel ends the simulator
        return;
    }
    commandText_.append(buffer.data(), static_cast<std::size_t>(count));
    for (std::size_t end = commandText_.find('\n'); running_ && end != std::string::npos;
         end = commandText_.find('\n')) {
        const std::string line = commandText_.substr(0, end);
        commandText_.erase(0, end + 1);
        Execute(line);
    }
    if (commandText_.size() > kLongestCommandLine) {
        commandText_.clear();
        Say("error command line too long");
    }
}

void MeterSimulator::Execute(std::string_view line) {
    const ParsedControlCommand parsed = ParseControlCommand(line);
    if (!parsed.command) {
        if (!parsed.error.empty()) {
            Say("error " + parsed.error);
        }
        return;
    }
    const ControlCommand& command = *parsed.command;
    switch (command.kind) {
        case ControlCommand::Kind::SetFault:
        case ControlCommand::Kind::Set:
        case ControlCommand::Kind::Get:
            ExecuteOnMeters(command);
            break;
        case ControlCommand::Kind::HangUp:
            HangUp(command.pause);
            Say("ok hangup");
            break;
        case ControlCommand::Kind::Quit:
            Say("ok quit");
            running_ = false;
            break;
    }
}

void MeterSimulator::ExecuteOnMeters(const ControlCommand& command) {
    std::vector<RegisterBank*> banks = bus_.Banks();
    std::vector<RequestHandler*> handlers = bus_.Handlers();
    if (command.meter) {
        banks = {bus_.Bank(*command.meter)};
        handlers = {bus_.Handler(*command.meter)};
        if (banks.front() == nullptr) {
            Say("error no meter answers to " + std::to_string(*command.meter));
            return;
        }
    }
    switch (command.kind) {
        case ControlCommand::Kind::SetFault:
            for (RequestHandler* handler : handlers) {
                handler->SetFault(command.fault);
            }
            Say("ok fault " + DescribeFault(command.fault));
            break;
        case ControlCommand::Kind::Set:
            for (RegisterBank* bank : banks) {
                bank->Pin(command.address, command.value);
            }
            Say("ok set " + RegisterName(command.address) + ' ' + std::to_string(command.value));
            break;
        case ControlCommand::Kind::Get:
            AdvanceLiveValues();
            Say("value " + RegisterName(command.address) + ' ' +
                std::to_string(banks.front()->Get(command.address)));
            break;
        case ControlCommand::Kind::HangUp:
        case ControlCommand::Kind::Quit:
            break;
    }
}

void MeterSimulator::Say(const std::string& line) {
    std::fputs((line + '\n').c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace tavr::simulator
