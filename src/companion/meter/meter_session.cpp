#include "companion/meter/meter_session.h"

#include "companion/meter/port_probe.h"
#include "companion/meter/register_address.h"

namespace tavr {

MeterSession::MeterSession(const ConnectionChoice& connection, Console& console,
                           std::string command)
    : connection_(connection),
      console_(console),
      command_(std::move(command)),
      link_(console.interrupt) {}

bool MeterSession::Open() {
    SerialOpenResult result = link_.Open(connection_);
    if (result.Succeeded()) {
        return true;
    }
    console_.err << "tavr-12864-cli " << command_ << ": "
                 << OpenFailureText(connection_, std::move(result)) << "\n";
    return false;
}

std::optional<ReadReply> MeterSession::Read() {
    const MeterPoll poll =
        MeterPollCycle(link_, {connection_.deviceId}, connection_.retries).Run().front();
    if (!poll.Answered()) {
        ReportFor(poll.deviceId, PollFailureText(poll));
        return std::nullopt;
    }
    return poll.reply;
}

std::vector<MeterPoll> MeterSession::ReadEach() {
    std::vector<MeterPoll> polls =
        MeterPollCycle(link_, connection_.deviceIds, connection_.retries).Run();
    for (const MeterPoll& poll : polls) {
        if (!poll.Answered()) {
            ReportFor(poll.deviceId, PollFailureText(poll));
        }
    }
    return polls;
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
    if (!connection_.devicePath.empty()) {
        return ShownDevice(connection_) + " at " + std::to_string(connection_.baud) + " baud";
    }
    const std::string device = ShownDevice(connection_);
    return connection_.PortName() + " (" + (device.empty() ? "no device" : device) + ") at " +
           std::to_string(connection_.baud) + " baud";
}

void MeterSession::ReportFor(std::uint8_t deviceId, const std::string& message) const {
    console_.err << "tavr-12864-cli " << command_ << ": device " << int{deviceId} << " on "
                 << Where() << ": " << message << "\n";
}

}  // namespace tavr
