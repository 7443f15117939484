#include "companion/meter_session.h"

#include "companion/port_probe.h"
#include "companion/register_address.h"

namespace tavr {

namespace {

constexpr int Attempts = 3;

}  // namespace

MeterSession::MeterSession(const ConnectionChoice& connection, Console& console,
                           std::string command)
    : connection_(connection),
      console_(console),
      command_(std::move(command)),
      link_(console.interruptFd) {}

bool MeterSession::Open() {
    SerialOpenResult result = link_.Open(connection_.port, connection_.baud);
    if (result.Succeeded()) {
        return true;
    }
    console_.err << "tavr-12864-cli " << command_ << ": "
                 << OpenFailureText(connection_.port, connection_.baud, std::move(result)) << "\n";
    return false;
}

std::optional<ReadReply> MeterSession::Read() {
    int silent = 0;
    int garbled = 0;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const ReadOutcome read = link_.ReadRegisters(connection_.deviceId);
        switch (read.outcome) {
            case ExchangeOutcome::Answered:
                return read.reply;
            case ExchangeOutcome::Silent:
                ++silent;
                break;
            case ExchangeOutcome::Garbled:
                ++garbled;
                break;
            case ExchangeOutcome::HungUp:
                Report("the device hung up");
                return std::nullopt;
            case ExchangeOutcome::Interrupted:
                Report("interrupted");
                return std::nullopt;
        }
    }
    Report("no valid answer after " + std::to_string(Attempts) + " requests (" +
           std::to_string(silent) + " unanswered, " + std::to_string(garbled) + " garbled)");
    return std::nullopt;
}

bool MeterSession::Write(std::uint16_t address, std::uint16_t value) {
    const WriteOutcome write = link_.WriteRegister(connection_.deviceId, address, value);
    switch (write.outcome) {
        case ExchangeOutcome::Answered:
            return true;
        case ExchangeOutcome::Silent:
            Report("no answer to the write of " + RegisterName(address) +
                   "; it may or may not have been stored");
            return false;
        case ExchangeOutcome::Garbled:
            Report(write.exceptionCode != 0
                       ? "the meter refused the write of " + RegisterName(address) +
                             " (exception code " + std::to_string(write.exceptionCode) + ")"
                       : "a garbled answer to the write of " + RegisterName(address) +
                             "; it may or may not have been stored");
            return false;
        case ExchangeOutcome::HungUp:
            Report("the device hung up");
            return false;
        case ExchangeOutcome::Interrupted:
            Report("interrupted");
            return false;
    }
    return false;
}

std::string MeterSession::Where() const {
    const std::string device = ShownDevice(connection_.port);
    return "COM" + std::to_string(connection_.port) + " (" +
           (device.empty() ? "no device" : device) + ") at " + std::to_string(connection_.baud) +
           " baud";
}

void MeterSession::Report(const std::string& message) const {
    console_.err << "tavr-12864-cli " << command_ << ": device " << int{connection_.deviceId}
                 << " on " << Where() << ": " << message << "\n";
}

}  // namespace tavr
