#include "settings/registry.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tavr {
namespace {

// The tests' own key of the real registry under the current user, removed before and after
// each test, so that the program's settings are never touched.
constexpr wchar_t kTestKey[] = L"Software\\TAVR_12864 tests";
const std::string kKey = "Software\\TAVR_12864 tests";

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

// The value as the registry holds it, read without the store under test.
std::optional<RawValue> Raw(const std::wstring& keyPath, const std::wstring& valueName,
                            HKEY root = HKEY_CURRENT_USER) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (::RegGetValueW(root, keyPath.c_str(), valueName.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                       nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RawValue value{type, std::vector<BYTE>(size)};
    if (::RegGetValueW(root, keyPath.c_str(), valueName.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                       value.bytes.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.bytes.resize(size);
    return value;
}

std::vector<BYTE> WideBytes(const std::wstring& text) {
    const auto* first = reinterpret_cast<const BYTE*>(text.c_str());
    return {first, first + (text.size() + 1) * sizeof(wchar_t)};
}

void PutRaw(const std::wstring& valueName, DWORD type, const std::vector<BYTE>& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key, valueName.c_str(), 0, type, bytes.data(),
                               static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
}

class RealRegistryTest : public testing::Test {
  protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }
};

struct TextCase {
    const char* name;
    std::string text;     // UTF-8, as the program holds it
    std::wstring stored;  // UTF-16, as the registry holds it
};

class StringValues : public RealRegistryTest, public testing::WithParamInterface<TextCase> {};

TEST_P(StringValues, AreStoredAsUtf16StringsWithTheirTerminatorAndReadBack) {
    const TextCase& c = GetParam();
    ASSERT_TRUE(WriteRegistry(RegistryRoot::CurrentUser, kKey + "\\Modbus_com", c.text));

    const std::optional<RawValue> raw = Raw(kTestKey, L"Modbus_com");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->bytes, WideBytes(c.stored));
    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, kKey + "\\Modbus_com"), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StringValues,
    testing::Values(TextCase{"SelectionIndex", "5", L"5"}, TextCase{"NoSelection", "-1", L"-1"},
                    TextCase{"Empty", "", L""},
                    TextCase{"Chinese",
                             "\xE7\xAB\xAF\xE5\x8F\xA3"
                             "1",
                             L"\u7AEF\u53E3"
                             L"1"},
                    TextCase{"OutsideTheBasicPlane", "\xF0\x9F\x94\x8C", L"\U0001F50C"}),
    [](const testing::TestParamInfo<TextCase>& info) { return info.param.name; });

TEST_F(RealRegistryTest, TheThreeSettingsKeepTheirOwnValues) {
    ASSERT_TRUE(WriteRegistry(RegistryRoot::CurrentUser, kKey + "\\Modbus_id", Text("6")));
    ASSERT_TRUE(WriteRegistry(RegistryRoot::CurrentUser, kKey + "\\Modbus_btl", Text("6")));
    ASSERT_TRUE(WriteRegistry(RegistryRoot::CurrentUser, kKey + "\\Modbus_com", Text("2")));
    ASSERT_TRUE(WriteRegistry(RegistryRoot::CurrentUser, kKey + "\\Modbus_btl", Text("3")));

    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, kKey + "\\Modbus_id"), "6");
    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, kKey + "\\Modbus_btl"), "3");
    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, kKey + "\\Modbus_com"), "2");
}

TEST_F(RealRegistryTest, MissingKeysAndValuesReadAsTheDefault) {
    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, kKey + "\\Modbus_id"), "");
    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, kKey + "\\Modbus_id", Text("fallback")),
              "fallback");
    ASSERT_TRUE(WriteRegistry(RegistryRoot::CurrentUser, kKey + "\\Modbus_id", Text("0")));
    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, kKey + "\\Modbus_btl", Text("fallback")),
              "fallback");
}

TEST_F(RealRegistryTest, WritingUnderAMissingKeyCreatesItAndTheKeysAboveIt) {
    ASSERT_TRUE(
        WriteRegistry(RegistryRoot::CurrentUser, kKey + "\\deeper\\still\\Modbus_id", Text("4")));
    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, kKey + "\\deeper\\still\\Modbus_id"),
              "4");
}

struct NumberCase {
    const char* name;
    Value value;
    std::uint32_t stored;
};

class NumberValues : public RealRegistryTest, public testing::WithParamInterface<NumberCase> {};

TEST_P(NumberValues, AreStoredAs32BitNumbersThatReadAsNoText) {
    ASSERT_TRUE(WriteRegistry(RegistryRoot::CurrentUser, kKey + "\\number", GetParam().value));

    const std::optional<RawValue> raw = Raw(kTestKey, L"number");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(raw->bytes.size(), 4U);
    std::uint32_t stored = 0;
    for (int i = 3; i >= 0; --i) {
        stored = (stored << 8) | raw->bytes[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(stored, GetParam().stored);
    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, kKey + "\\number", Text("default")),
              "default");
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, NumberValues,
    testing::Values(NumberCase{"Int32", std::int32_t{-2}, 0xFFFFFFFEU},
                    NumberCase{"ByteZeroExtended", std::uint8_t{0xFF}, 0xFFU},
                    NumberCase{"ShortSignExtended", std::int16_t{-1}, 0xFFFFFFFFU},
                    NumberCase{"Int64LowBits", std::int64_t{0x123456789}, 0x23456789U},
                    NumberCase{"DoubleTruncated", -7.9, 0xFFFFFFF9U}),
    [](const testing::TestParamInfo<NumberCase>& info) { return info.param.name; });

TEST_F(RealRegistryTest, ByteSetsAreStoredAsBinaryValues) {
    ASSERT_TRUE(
        WriteRegistry(RegistryRoot::CurrentUser, kKey + "\\frame", ByteSet{0x01, 0x03, 0x00}));
    const std::optional<RawValue> raw = Raw(kTestKey, L"frame");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(raw->bytes, (std::vector<BYTE>{0x01, 0x03, 0x00}));
}

TEST_F(RealRegistryTest, ValuesThatCannotBeStoredWriteNothing) {
    EXPECT_FALSE(WriteRegistry(RegistryRoot::CurrentUser, kKey + "\\list", TextArray{"a", "b"}));
    EXPECT_FALSE(WriteRegistry(RegistryRoot::CurrentUser, kKey + "\\bad", Text("\xFF\xFE")));
    EXPECT_FALSE(WriteRegistry(RegistryRoot::CurrentUser, kKey + "\\\xC3", Text("name is cut")));
    EXPECT_FALSE(Raw(kTestKey, L"list").has_value());
    EXPECT_FALSE(Raw(kTestKey, L"bad").has_value());
}

struct StoredTextCase {
    const char* name;
    DWORD type;
    std::vector<BYTE> bytes;
    std::string read;
};

class StoredTexts : public RealRegistryTest, public testing::WithParamInterface<StoredTextCase> {
  protected:
    void SetUp() override {
        RealRegistryTest::SetUp();
        ::SetEnvironmentVariableW(L"TAVR_TEST_PORT", L"COM6");
    }
    void TearDown() override {
        ::SetEnvironmentVariableW(L"TAVR_TEST_PORT", nullptr);
        RealRegistryTest::TearDown();
    }
};

TEST_P(StoredTexts, ReadUpToTheirFirstZero) {
    PutRaw(L"value", GetParam().type, GetParam().bytes);
    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, kKey + "\\value", Text("default")),
              GetParam().read);
}

std::vector<BYTE> Unterminated(const std::wstring& text) {
    std::vector<BYTE> bytes = WideBytes(text);
    bytes.resize(bytes.size() - sizeof(wchar_t));
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredTexts,
    testing::Values(
        StoredTextCase{"Terminated", REG_SZ, WideBytes(L"12"), "12"},
        StoredTextCase{"WithoutTerminator", REG_SZ, Unterminated(L"123"), "123"},
        StoredTextCase{"OddByteCount", REG_SZ, {'7', 0, '8'}, "7"},
        StoredTextCase{"InnerZero", REG_SZ,
                       WideBytes(std::wstring(L"4\0"
                                              L"5",
                                              3)),
                       "4"},
        StoredTextCase{"Expanded", REG_EXPAND_SZ, WideBytes(L"%TAVR_TEST_PORT%:x"), "COM6:x"},
        StoredTextCase{"UnknownReferenceKept", REG_EXPAND_SZ, WideBytes(L"%TAVR_NOT_SET%"),
                       "%TAVR_NOT_SET%"},
        StoredTextCase{"LoneSurrogate", REG_SZ, WideBytes(std::wstring(1, wchar_t{0xD800})),
                       "default"},
        StoredTextCase{"MultiString", REG_MULTI_SZ, WideBytes(std::wstring(L"a\0", 2)), "default"}),
    [](const testing::TestParamInfo<StoredTextCase>& info) { return info.param.name; });

TEST_F(RealRegistryTest, APathWithoutBackslashNamesAValueDirectlyUnderTheRoot) {
    const std::string name = "TAVR_12864 test value";
    ASSERT_TRUE(WriteRegistry(RegistryRoot::CurrentUser, name, Text("root")));
    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, name), "root");
    EXPECT_TRUE(Raw(L"", L"TAVR_12864 test value").has_value());
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, nullptr, L"TAVR_12864 test value");
}

TEST_F(RealRegistryTest, UnknownRootCodesNameTheCurrentUser) {
    ASSERT_TRUE(WriteRegistry(static_cast<RegistryRoot>(99), kKey + "\\Modbus_id", Text("8")));
    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, kKey + "\\Modbus_id"), "8");
    EXPECT_EQ(ReadRegistryText(static_cast<RegistryRoot>(0), kKey + "\\Modbus_id"), "8");
}

}  // namespace
}  // namespace tavr
