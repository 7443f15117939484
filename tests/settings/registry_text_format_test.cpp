#include "runtime/registry_text_format.h"

#include <gtest/gtest.h>

namespace tavr {
namespace {

RegistryData String(std::string_view text) {
    RegistryData data{RegistryStringType, ByteSet(text.begin(), text.end())};
    data.bytes.push_back(0);
    return data;
}

TEST(RegistryTextFormat, EveryKeyNameAndValueSurvivesFormattingAndParsing) {
    RegistryDocument document;
    RegistryKey& odd = document.OpenOrCreateKey("HKEY_CURRENT_USER\\Odd]Name [x]");
    SetRegistryValue(odd, "", String("default"));
    SetRegistryValue(odd, "quote\"back\\slash", String("\\\"\\"));
    SetRegistryValue(odd, "inner zero", {RegistryStringType, {'a', 0, 'b', 0}});
    SetRegistryValue(odd, "unterminated", {RegistryStringType, {'a'}});
    SetRegistryValue(odd, "line break", String("a\nb"));
    RegistryKey& types = document.OpenOrCreateKey("HKEY_CURRENT_USER\\Types");
    SetRegistryValue(types, "short dword", {RegistryDwordType, {1, 2}});
    SetRegistryValue(types, "type 0", {0, {}});
    SetRegistryValue(types, "big type", {0x89ABCDEF, {0xFF}});
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
    EXPECT_EQ(n->data, (RegistryData{RegistryDwordType, {10, 0, 0, 0}}));
}

}  // namespace
}  // namespace tavr
