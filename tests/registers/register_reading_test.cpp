#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "protocol/read_reply.h"
#include "registers/catalogue_texts.h"
#include "registers/register_catalogue.h"
#include "registers/register_reading.h"
#include "runtime/format_number.h"
#include "runtime/to_number.h"

namespace tavr {
namespace {

RegisterCatalogue WindowCatalogue() {
    RegisterCatalogue catalogue;
    catalogue.LoadCatalogue(kDecimalsCatalogueText, kUnitsCatalogueText, kRemarksCatalogueText,
                            kMaxLimitsCatalogueText);
    return catalogue;
}

// Scaled values are written from the digits, not through a double: raw values at every number
// of decimals (all small ones, where leading zeros are written, and a spread up to the largest)
// must still read as the number formatting writes the quotient.
TEST(ScaledValues, ReadAsTheFormattedQuotient) {
    RegisterCatalogue catalogue = WindowCatalogue();
    const struct {
        std::uint16_t flags;  // register 0002H: the main voltage's decimals in the high byte
        std::int32_t places;
        double divisor;
    } scales[] = {{0x0100, 1, 10.0}, {0x0200, 2, 100.0}, {0x0300, 3, 1000.0}};
    std::vector<std::int32_t> raws;
    for (std::int32_t raw = 0; raw < 0xFFFF; raw += raw < 1100 ? 1 : 97) {
        raws.push_back(raw);
    }
    raws.push_back(0xFFFF);
    for (const auto& scale : scales) {
        ReadReply reply;
        reply.values[2] = scale.flags;
        for (const std::int32_t raw : raws) {
            reply.values[3] = static_cast<std::uint16_t>(raw);
            const Text value = DecodeReadings(reply, catalogue)[3].texts.value;
            ASSERT_EQ(value, FormatNumber(raw / scale.divisor, scale.places) + "V")
                << raw << " at " << scale.places << " decimals";
        }
    }
}

// A register whose shown digits are not a plain number (minutes and seconds) keeps the
// number formatting's reading of them when its decimals are set to scale it.
TEST(ScaledValues, DigitsThatAreNoPlainNumberScaleAsTheirLeadingNumber) {
    RegisterCatalogue catalogue = WindowCatalogue();
    ASSERT_TRUE(catalogue.SetDecimals(0x14, "1"));
    ReadReply reply;
    reply.values[0x14] = 150;  // "2分30"
    const RegisterReading reading = DecodeReadings(reply, catalogue)[0x14];
    EXPECT_EQ(reading.texts.value, FormatNumber(ToInteger("2分30") / 10.0, 1) + "秒");
}

}  // namespace
}  // namespace tavr
