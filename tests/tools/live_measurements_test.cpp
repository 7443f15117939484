#include "meter_simulator/live_measurements.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavr::simulator {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint16_t> Registers(const RegisterBank& bank) {
    std::vector<std::uint16_t> values;
    for (int k = 0; k < kRegisterCount; ++k) {
        values.push_back(bank.Get(k));
    }
    return values;
}

// A reading shown the way the program shows it: the decimals come from register 0002H.
double Shown(std::uint16_t raw, int decimals) {
    double value = raw;
    for (int i = 0; i < decimals; ++i) {
        value /= 10;
    }
    return value;
}

double Volts(const RegisterBank& bank) {
    return Shown(bank.Get(reg::kVoltage), (bank.Get(reg::kDecimalFlags) >> 8) & 0x0F);
}

double SecondVolts(const RegisterBank& bank) {
    return Shown(bank.Get(reg::kSecondVoltage), bank.Get(reg::kDecimalFlags) >> 12);
}

double Amps(const RegisterBank& bank) {
    const int flags = bank.Get(reg::kDecimalFlags) & 0xFF;
    const double magnitude = Shown(bank.Get(reg::kCurrent), flags & 0x0F);
    return flags > 15 ? -magnitude : magnitude;
}

double Degrees(std::uint16_t raw) {
    return raw > 4095 ? -(raw - 4096) / 10.0 : raw / 10.0;
}

struct Battery {
    RegisterBank bank{1};
    LiveMeasurements live{1};

    void Advance(std::chrono::milliseconds total, std::chrono::milliseconds tick = 1000ms) {
        for (auto done = 0ms; done < total; done += tick) {
            live.Tick(bank, std::min(tick, total - done));
        }
    }
};

TEST(LiveMeasurementsTest, TimeZeroPublishesTheStartingValues) {
    Battery run;
    run.live.Tick(run.bank, 0ms);

    EXPECT_EQ(Registers(run.bank), Registers(RegisterBank(1)));
    EXPECT_NEAR(Volts(run.bank), 12.345, 1e-9);
    EXPECT_NEAR(Amps(run.bank), 15.0, 1e-9);
    EXPECT_NEAR(SecondVolts(run.bank), 54.0, 1e-9);
    EXPECT_DOUBLE_EQ(Degrees(run.bank.Get(reg::kTemperature)), 25.0);
    EXPECT_DOUBLE_EQ(Degrees(run.bank.Get(reg::kSecondTemperature)), -5.0);
}

TEST(LiveMeasurementsTest, ReadingsStayPlausibleAndTheirDecimalFlagsConsistent) {
    Battery run;
    for (int second = 1; second <= 400; ++second) {
        run.Advance(1s);
        const bool charging = second % 180 >= 120;
        SCOPED_TRACE(second);

        // Below 50 V or 50 A a reading has 3 decimals, from 50 on 2.
        EXPECT_EQ((run.bank.Get(reg::kDecimalFlags) >> 8) & 0x0F, 3);
        EXPECT_EQ(run.bank.Get(reg::kDecimalFlags) >> 12, 2);
        EXPECT_EQ(run.bank.Get(reg::kDecimalFlags) & 0x0F, 3);
        EXPECT_NEAR(Volts(run.bank), charging ? 12.7 : 12.3, 0.1);
        EXPECT_NEAR(SecondVolts(run.bank), 54.0, 0.1);
        EXPECT_NEAR(Amps(run.bank), charging ? -20.0 : 15.0, 0.2);
        EXPECT_NEAR(Degrees(run.bank.Get(reg::kTemperature)), 25.0, 0.21);
        EXPECT_NEAR(Degrees(run.bank.Get(reg::kSecondTemperature)), -5.0, 0.21);
        EXPECT_EQ(run.bank.Get(reg::kChargePercent), run.bank.Get(reg::kRemainingCharge) * 10);
    }
}

TEST(LiveMeasurementsTest, CountersFollowTheCurrent) {
    const struct {
        std::chrono::seconds elapsed;
        int remainingLow, remainingHigh;  // 0.1 Ah
        int energyLow, energyHigh;        // Wh
        int cycles;
    } cases[] = {
        // 120 s at 15 A take 0.5 Ah and about 6.2 Wh out of the battery.
        {120s, 744, 746, 1239, 1241, 7},
        // 29 s at 20 A put about 0.16 Ah back; not yet a charge cycle.
        {149s, 746, 747, 1239, 1241, 7},
        // 30 s of charging count one cycle; no energy is used while charging.
        {150s, 746, 748, 1239, 1241, 8},
        {180s, 747, 749, 1239, 1241, 8},
        {360s, 745, 747, 1245, 1247, 9},
    };
    for (const auto& c : cases) {
        Battery run;
        run.Advance(c.elapsed);
        SCOPED_TRACE(c.elapsed.count());

        EXPECT_GE(run.bank.Get(reg::kRemainingCharge), c.remainingLow);
        EXPECT_LE(run.bank.Get(reg::kRemainingCharge), c.remainingHigh);
        EXPECT_GE(run.bank.Get(reg::kEnergyUsed), c.energyLow);
        EXPECT_LE(run.bank.Get(reg::kEnergyUsed), c.energyHigh);
        EXPECT_EQ(run.bank.Get(reg::kCycleCount), c.cycles);
    }
}

TEST(LiveMeasurementsTest, ValuesDependOnTheTotalTimeNotOnHowItIsCut) {
    Battery seconds, minutes, uneven;
    seconds.Advance(600s, 1s);
    minutes.Advance(600s, 60s);
    uneven.Advance(600s, 37ms);

    EXPECT_EQ(Registers(seconds.bank), Registers(minutes.bank));
    EXPECT_EQ(Registers(seconds.bank), Registers(uneven.bank));
}

TEST(LiveMeasurementsTest, TheSeedChoosesTheWobble) {
    const auto voltages = [](std::uint64_t seed) {
        RegisterBank bank(1);
        LiveMeasurements live(seed);
        std::vector<std::uint16_t> values;
        for (int i = 0; i < 20; ++i) {
            live.Tick(bank, 100ms);
            values.push_back(bank.Get(reg::kVoltage));
        }
        return values;
    };

    EXPECT_EQ(voltages(3), voltages(3));
    EXPECT_NE(voltages(3), voltages(4));
}

TEST(LiveMeasurementsTest, WrittenCountersCountOnAndPinnedRegistersStay) {
    Battery run;
    ASSERT_EQ(run.bank.Write(reg::kEnergyUsed, 100), WriteResult::Stored);
    ASSERT_EQ(run.bank.Write(reg::kRemainingCharge, 500), WriteResult::Stored);
    ASSERT_EQ(run.bank.Write(reg::kVoltage, 9999), WriteResult::Stored);
    run.bank.Pin(reg::kCurrent, 4321);
    run.bank.Pin(reg::kCycleCount, 0);
    run.Advance(180s);

    EXPECT_GE(run.bank.Get(reg::kEnergyUsed), 105);  // counted on from the written value
    EXPECT_LE(run.bank.Get(reg::kEnergyUsed), 107);
    EXPECT_NEAR(run.bank.Get(reg::kRemainingCharge), 498, 1);  // 0.17 Ah net per cycle
    EXPECT_NEAR(Volts(run.bank), 11.84, 0.02);                 // measured anew, at half charge
    EXPECT_EQ(run.bank.Get(reg::kCurrent), 4321);
    EXPECT_EQ(run.bank.Get(reg::kCycleCount), 0);
}

TEST(LiveMeasurementsTest, VoltageAboveTheFullChargeSettingFillsTheBattery) {
    Battery run;
    ASSERT_EQ(run.bank.Write(reg::kFullChargeVoltage, 120), WriteResult::Stored);  // 12.0 V
    run.Advance(100ms);

    EXPECT_EQ(run.bank.Get(reg::kRemainingCharge), 1000);
    EXPECT_EQ(run.bank.Get(reg::kChargePercent), 10000);
}

TEST(LiveMeasurementsTest, ZeroCapacityShowsAnEmptyBattery) {
    Battery run;
    ASSERT_EQ(run.bank.Write(reg::kNominalCapacity, 0), WriteResult::Stored);
    run.Advance(200s);

    EXPECT_EQ(run.bank.Get(reg::kChargePercent), 0);
    EXPECT_NEAR(Volts(run.bank), 10.845, 0.01);
}

}  // namespace
}  // namespace tavr::simulator
