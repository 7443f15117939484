#pragma once

#include <cstdint>
#include <optional>

#include "runtime/types.h"

namespace tavr {

// The line properties of a serial port unit (unit properties 8..19). Writing a property stores
// the clamped value; it takes effect at the next Open.
class SerialPortProperties {
  public:
    std::int32_t PortNumber() const { return portNumber_; }
    std::int32_t BaudRate() const { return baudRate_; }
    std::int32_t DataBits() const { return dataBits_; }
    std::int32_t StopBits() const { return stopBits_; }
    std::int32_t ParityCheck() const { return parityCheck_; }
    const Text& EventChar() const { return eventChar_; }
    // The event character's byte: the first of EventChar(); nothing when that is empty or NUL.
    std::optional<std::uint8_t> EventCharByte() const {
        if (eventChar_.empty() || eventChar_.front() == '\0') {
            return std::nullopt;
        }
        return static_cast<std::uint8_t>(eventChar_.front());
    }
    std::int32_t Timeout() const { return timeout_; }
    std::int32_t OpenOnCreate() const { return openOnCreate_; }
    std::int32_t Parity() const { return parity_; }
    std::int32_t FlowControl() const { return flowControl_; }
    std::int32_t RtsMode() const { return rtsMode_; }
    std::int32_t DtrMode() const { return dtrMode_; }

    void SetPortNumber(std::int32_t value) { portNumber_ = AtLeast(value, 1); }
    void SetBaudRate(std::int32_t value) { baudRate_ = AtLeast(value, 0); }
    void SetDataBits(std::int32_t value) { dataBits_ = value; }
    void SetStopBits(std::int32_t value) { stopBits_ = Within(value, 1, 3); }
    void SetParityCheck(std::int32_t value) { parityCheck_ = value; }
    void SetEventChar(Text value) { eventChar_ = std::move(value); }
    void SetTimeout(std::int32_t value) { timeout_ = AtLeast(value, 0); }
    void SetOpenOnCreate(std::int32_t value) { openOnCreate_ = value; }
    void SetParity(std::int32_t value) { parity_ = Within(value, 0, 4); }
    void SetFlowControl(std::int32_t value) { flowControl_ = Within(value, 0, 5); }
    void SetRtsMode(std::int32_t value) { rtsMode_ = Within(value, 0, 2); }
    void SetDtrMode(std::int32_t value) { dtrMode_ = Within(value, 0, 2); }

  private:
    static std::int32_t AtLeast(std::int32_t value, std::int32_t low) {
        return value < low ? low : value;
    }
    static std::int32_t Within(std::int32_t value, std::int32_t low, std::int32_t high) {
        return value < low ? low : (value > high ? high : value);
    }

    // The unit's defaults; a form may store other values (the main window's port uses 9600).
    std::int32_t portNumber_ = 1;
    std::int32_t baudRate_ = 19200;
    std::int32_t dataBits_ = 8;
    std::int32_t stopBits_ = 1;
    std::int32_t parityCheck_ = 0;
    Text eventChar_;
    std::int32_t timeout_ = 1000;
    std::int32_t openOnCreate_ = 0;
    std::int32_t parity_ = 0;
    std::int32_t flowControl_ = 0;
    std::int32_t rtsMode_ = 0;
    std::int32_t dtrMode_ = 0;
};

}  // namespace tavr
