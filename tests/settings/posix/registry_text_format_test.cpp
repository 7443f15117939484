#include "settings/posix/registry_text_format.h"

#include <gtest/gtest.h>

namespace tavr {
namespace {

RegistryData String(std::string_view text) {
    RegistryData data{kRegistryStringType, ByteSet(text.begin(), text.end())};
    data.bytes.push_back(0);
    return data;
}

TEST(RegistryTextFormat, EveryKeyNameAndValueSurvivesFormattingAndParsing) {
    RegistryDocument document;
    RegistryKey& odd = document.OpenOrCreateKey("HKEY_CURRENT_USER\\Odd]Name [x]");
    odd.SetValue("", String("default"));
    odd.SetValue("quote\"back\\slash", String("\\\"\\"));
    odd.SetValue("inner zero", {kRegistryStringType, {'a', 0, 'b', 0}});
    odd.SetValue("unterminated", {kRegistryStringType, {'a'}});
    odd.SetValue("line break", String("a\nb"));
    RegistryKey& types = document.OpenOrCreateKey("HKEY_CURRENT_USER\\Types");
    types.SetValue("short dword", {kRegistryDwordType, {1, 2}});
    types.SetValue("type 0", {0, {}});
    types.SetValue("big type", {0x89ABCDEF, {0xFF}});
    document.OpenOrCreateKey("HKEY_CURRENT_USER\\Empty");

    const std::optional<RegistryDocument> parsed = ParseRegistryText(FormatRegistryText(document));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, document);
}

TEST(RegistryTextFormat, ReadsHandWrittenAndLaterExportFiles) {
    const std::optional<RegistryDocument> parsed = ParseRegistryText(
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
        "; a comment\n"
        "[HKEY_CURRENT_USER\\A]\n"
        "  \"v\" = \"1\"  \n"
        "\"n\"=dword:A\n"
        "[hkey_current_user\\a]\n"
        "\"V\"=\"2\"\n");
    ASSERT_TRUE(parsed.has_value());
    ASSERT_EQ(parsed->Keys().size(), 1U);
    const RegistryValue* v = parsed->FindValue("HKEY_CURRENT_USER\\A", "v");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->data, String("2"));
    const RegistryValue* n = parsed->FindValue("HKEY_CURRENT_USER\\A", "n");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->data, (RegistryData{kRegistryDwordType, {10, 0, 0, 0}}));
}

// Under the later header the bytes of texts are UTF-16, and are kept as UTF-8 like every text
// of this program; other data, and texts under the REGEDIT4 header, keep their bytes.
struct DataBytesCase {
    const char* name;
    const char* header;
    const char* data;
    RegistryData expected;
};

class DataBytes : public testing::TestWithParam<DataBytesCase> {};

TEST_P(DataBytes, AreKeptAsTheHeaderSays) {
    const std::optional<RegistryDocument> parsed =
        ParseRegistryText(std::string(GetParam().header) +
                          "\n[HKEY_CURRENT_USER\\K]\n\"v\"=" + GetParam().data + "\n");
    ASSERT_TRUE(parsed.has_value());
    const RegistryValue* value = parsed->FindValue("HKEY_CURRENT_USER\\K", "v");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->data, GetParam().expected);
}

constexpr const char* kLater = "Windows Registry Editor Version 5.00";

INSTANTIATE_TEST_SUITE_P(
    Values, DataBytes,
    testing::Values(
        DataBytesCase{
            "Expandable", kLater, "hex(2):25,00,41,00,25,00,00,00", {2, {'%', 'A', '%', 0}}},
        DataBytesCase{"MultiString",
                      kLater,
                      "hex(7):61,00,00,00,62,00,00,00,00,00",
                      {7, {'a', 0, 'b', 0, 0}}},
        DataBytesCase{"StringBeyondTheBasicPlane",
                      kLater,
                      "hex(1):3d,d8,00,de,00,00",
                      {1, {0xF0, 0x9F, 0x98, 0x80, 0}}},
        DataBytesCase{"ChineseString",
                      kLater,
                      "hex(1):be,8b,07,59,00,00",
                      {1, {0xE8, 0xAE, 0xBE, 0xE5, 0xA4, 0x87, 0}}},
        DataBytesCase{"LoneSurrogateKept", kLater, "hex(1):3d,d8,00,00", {1, {0x3D, 0xD8, 0, 0}}},
        DataBytesCase{"Binary", kLater, "hex:61,00", {3, {'a', 0}}},
        DataBytesCase{"EarlierLayoutText", "REGEDIT4", "hex(2):61,00,00,00", {2, {'a', 0, 0, 0}}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tavr
