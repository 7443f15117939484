#include "companion/publish/setting_write.h"

#include "companion/meter/register_address.h"

namespace tavr {

namespace {

// Why a write was not echoed.
std::string WriteFailure(const WriteOutcome& outcome, const std::string& registerName) {
    const std::string unknown = "; it may or may not have been stored";
    switch (outcome.outcome) {
        case ExchangeOutcome::Answered:
            return "";
        case ExchangeOutcome::Silent:
            return "no answer to the write of " + registerName + unknown;
        case ExchangeOutcome::Garbled:
            return outcome.exceptionCode != 0
                       ? "the meter refused the write of " + registerName + " (exception code " +
                             std::to_string(outcome.exceptionCode) + ")"
                       : "a garbled answer to the write of " + registerName + unknown;
        case ExchangeOutcome::HungUp:
            return "the device hung up during the write of " + registerName + unknown;
        case ExchangeOutcome::Interrupted:
            return "interrupted during the write of " + registerName + unknown;
    }
    return "";
}

// Why a read-back after an echoed write gave no registers.
std::string ReadBackFailure(ExchangeOutcome outcome) {
    const std::string echoed = "the write was echoed, but ";
    switch (outcome) {
        case ExchangeOutcome::Answered:
            return "";
        case ExchangeOutcome::Silent:
            return echoed + "no answer to the read-back";
        case ExchangeOutcome::Garbled:
            return echoed + "a garbled answer to the read-back";
        case ExchangeOutcome::HungUp:
            return echoed + "the device hung up before the read-back";
        case ExchangeOutcome::Interrupted:
            return echoed + "the read-back was interrupted";
    }
    return "";
}

}  // namespace

SettingWriteOutcome WriteSetting(MeterLink& link, std::uint8_t deviceId,
                                 const SettingWrite& write) {
    SettingWriteOutcome result;
    const std::string registerName = RegisterName(write.address);
    if (WritableSettingAt(write.address) == nullptr) {
        result.reason = registerName + " is no setting that may be written; nothing was sent";
        return result;
    }
    result.sent = true;
    const WriteOutcome written = link.WriteRegister(deviceId, write.address, write.raw);
    if (written.outcome != ExchangeOutcome::Answered) {
        result.reason = WriteFailure(written, registerName);
        return result;
    }
    const ReadOutcome read = link.ReadRegisters(deviceId);
    if (read.outcome != ExchangeOutcome::Answered) {
        result.reason = ReadBackFailure(read.outcome);
        return result;
    }
    result.readBack = read.reply;
    const std::uint16_t kept = read.reply.values[write.address];
    if (kept != write.raw) {
        result.reason = "the meter kept " + write.scale.ValueWithUnit(kept) + " (" + registerName +
                        " = " + std::to_string(kept) + "), not the " +
                        write.scale.ValueWithUnit(write.raw) + " written";
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace tavr
