#include "registers/register_catalogue.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "registers/catalogue_texts.h"

namespace tavr {
namespace {

RegisterCatalogue StandardCatalogue() {
    RegisterCatalogue catalogue;
    catalogue.LoadCatalogue(kDecimalsCatalogueText, kUnitsCatalogueText, kRemarksCatalogueText,
                            kMaxLimitsCatalogueText);
    return catalogue;
}

TEST(RegisterCatalogue, HoldsThirtyFiveEntriesPerList) {
    const RegisterCatalogue catalogue = StandardCatalogue();
    EXPECT_EQ(catalogue.Remarks().size(), 35U);
    EXPECT_EQ(catalogue.Units().size(), 35U);
    EXPECT_EQ(catalogue.Decimals().size(), 35U);
    EXPECT_EQ(catalogue.MaxLimits().size(), 35U);
}

TEST(RegisterCatalogue, EveryRemarkNamesItsOwnAddress) {
    const RegisterCatalogue catalogue = StandardCatalogue();
    for (std::uint16_t address = 0; address < 35; ++address) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "地址:%04XH ", address);
        EXPECT_TRUE(catalogue.Entry(address).remark.starts_with(prefix))
            << catalogue.Entry(address).remark;
    }
    EXPECT_EQ(catalogue.Entry(34).remark,
              "地址:0022H 充放电循环次数 充电电流超过-1.000A且持续30秒才算1次有效充电");
}

struct EntryCase {
    std::uint16_t address;
    const char* unit;
    const char* decimals;
    const char* maximum;
};

// Empty units keep the later ones aligned with their addresses.
TEST(RegisterCatalogue, EntriesStayAlignedWithTheirAddresses) {
    const RegisterCatalogue catalogue = StandardCatalogue();
    for (const EntryCase& expected :
         {EntryCase{0x00, "", "0", "50"}, EntryCase{0x02, "", "0", "65535"},
          EntryCase{0x03, "V", "2", "65535"}, EntryCase{0x05, "℃", "1", "1250"},
          EntryCase{0x0B, "%", "2", "10000"}, EntryCase{0x16, "A", "2", "255"},
          EntryCase{0x17, "", "0", "65535"}, EntryCase{0x1A, "mV", "2", "10000"},
          EntryCase{0x1B, "", "0", "5"}, EntryCase{0x1E, "V", "1", "65535"},
          EntryCase{0x21, "", "0", "65535"}, EntryCase{0x22, "次", "0", "65535"}}) {
        const RegisterEntry entry = catalogue.Entry(expected.address);
        EXPECT_EQ(entry.address, expected.address);
        EXPECT_EQ(entry.unit, expected.unit) << expected.address;
        EXPECT_EQ(entry.decimals, expected.decimals) << expected.address;
        EXPECT_EQ(entry.maximum, expected.maximum) << expected.address;
    }
}

TEST(RegisterCatalogue, TakesTheTextsInTheirOrderAndReplacesEarlierLists) {
    RegisterCatalogue catalogue = StandardCatalogue();
    catalogue.LoadCatalogue("0//1", "//A", "r0//r1", "50//255");
    EXPECT_EQ(catalogue.Remarks().size(), 2U);
    const RegisterEntry entry = catalogue.Entry(1);
    EXPECT_EQ(entry.remark, "r1");
    EXPECT_EQ(entry.unit, "A");
    EXPECT_EQ(entry.decimals, "1");
    EXPECT_EQ(entry.maximum, "255");
    EXPECT_EQ(catalogue.Entry(0).unit, "");
}

TEST(RegisterCatalogue, LookupsBeyondTheListsGiveEmptyTexts) {
    const RegisterCatalogue catalogue = StandardCatalogue();
    for (std::uint16_t address : {35, 0xFFFF}) {
        const RegisterEntry entry = catalogue.Entry(address);
        EXPECT_EQ(entry.address, address);
        EXPECT_EQ(entry.remark + entry.unit + entry.decimals + entry.maximum, "");
    }
    EXPECT_EQ(RegisterCatalogue().Entry(0).remark, "");
}

TEST(RegisterCatalogue, ARewrittenDecimalsEntryIsWhatLaterLookupsSee) {
    RegisterCatalogue catalogue = StandardCatalogue();
    EXPECT_TRUE(catalogue.SetDecimals(0x03, "3"));
    EXPECT_EQ(catalogue.Entry(0x03).decimals, "3");
    EXPECT_EQ(catalogue.Entry(0x04).decimals, "2");
    EXPECT_TRUE(catalogue.SetDecimals(0x03, "1"));
    EXPECT_EQ(catalogue.Entry(0x03).decimals, "1");
    EXPECT_FALSE(catalogue.SetDecimals(35, "3"));
    EXPECT_EQ(catalogue.Decimals().size(), 35U);
}

}  // namespace
}  // namespace tavr
