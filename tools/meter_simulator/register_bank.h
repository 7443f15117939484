#pragma once

#include <array>
#include <cstdint>

#include "protocol/frame_codec.h"

namespace tavr::simulator {

// Addresses of the registers that the simulated meter gives a meaning of its own.
namespace reg {
inline constexpr int kDeviceAddress = 0x00;
inline constexpr int kDecimalFlags = 0x02;
inline constexpr int kVoltage = 0x03;
inline constexpr int kCurrent = 0x04;
inline constexpr int kTemperature = 0x05;
inline constexpr int kSecondTemperature = 0x06;
inline constexpr int kRemainingCharge = 0x07;
inline constexpr int kEnergyUsed = 0x08;
inline constexpr int kNominalCapacity = 0x09;
inline constexpr int kFullChargeVoltage = 0x0A;
inline constexpr int kChargePercent = 0x0B;
inline constexpr int kSecondVoltage = 0x1E;
inline constexpr int kCycleCount = 0x22;
}  // namespace reg

enum class WriteResult { Stored, IllegalAddress, IllegalValue };

// The meter's 35 holding registers 0000H..0022H with their starting values. Three parties
// change them: writes over the line (checked like the meter checks them), the live
// measurements (which skip pinned registers) and the control channel (which pins).
class RegisterBank {
  public:
    explicit RegisterBank(std::uint8_t deviceAddress);

    static bool Contains(int address) { return address >= 0 && address < kRegisterCount; }

    // The largest value that a write over the line may store.
    static std::uint16_t Maximum(int address);

    std::uint16_t Get(int address) const { return values_[address]; }

    // True when a request with this slave address is meant for this meter alone; the broadcast
    // address 0 never is.
    bool AnswersTo(std::uint8_t slave) const {
        return slave != 0 && slave == values_[reg::kDeviceAddress];
    }

    // A write over the line. Values beyond the register's maximum are refused, and so is
    // device address 0, which would make the meter unreachable.
    WriteResult Write(int address, std::uint16_t value);

    // Stores any value and keeps the live measurements from changing it afterwards.
    void Pin(int address, std::uint16_t value);

    // What the live measurements store; a pinned register keeps its value.
    void Publish(int address, std::uint16_t value);

  private:
    std::array<std::uint16_t, kRegisterCount> values_;
    std::array<bool, kRegisterCount> pinned_{};
};

}  // namespace tavr::simulator
