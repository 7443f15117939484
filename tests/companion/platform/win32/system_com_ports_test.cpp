#include "companion/platform/win32/system_com_ports.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavr {
namespace {

TEST(ComPortNumber, ReadsOnlyPortNamesInTheCompanionsRange) {
    struct Case {
        std::wstring name;
        std::optional<std::int32_t> number;
    };
    const std::vector<Case> cases = {
        {L"COM1", 1},
        {L"com7", 7},
        {L"Com12", 12},
        {L"COM255", 255},
        {L"COM256", std::nullopt},
        {L"COM1000", std::nullopt},
        {L"COM0", std::nullopt},
        {L"COM01", std::nullopt},
        {L"COM", std::nullopt},
        {L"COM1a", std::nullopt},
        {L"COM 1", std::nullopt},
        {L"COM-1", std::nullopt},
        {L"LPT1", std::nullopt},
        {L"CO", std::nullopt},
        {L"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ComPortNumber(c.name), c.number) << std::string(c.name.begin(), c.name.end());
    }
}

// A device map of the test's own under HKCU, written the way serial drivers write theirs.
class DeviceMap : public testing::Test {
  protected:
    const std::wstring keyPath =
        L"Software\\TAVR_12864_tests\\SERIALCOMM-" + std::to_wstring(::GetCurrentProcessId());

    void SetUp() override {
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr,
                                    REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }

    void TearDown() override {
        ::RegCloseKey(key_);
        ::RegDeleteKeyW(HKEY_CURRENT_USER, keyPath.c_str());
    }

    // `bytes` below the text's size stores it without its closing null, as some drivers do.
    void Announce(const std::wstring& device, const std::wstring& port, DWORD bytes = 0) {
        const DWORD whole = static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t));
        ASSERT_EQ(::RegSetValueExW(key_, device.c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(port.c_str()),
                                   bytes == 0 ? whole : bytes),
                  ERROR_SUCCESS);
    }

    HKEY key_ = nullptr;
};

TEST_F(DeviceMap, ListsThePortsByNumberWithTheirDevices) {
    Announce(L"\\Device\\Serial1", L"COM3");
    Announce(L"\\Device\\Serial0", L"COM1");
    Announce(L"\\Device\\VCP0", L"COM12");
    Announce(L"\\Device\\串口0", L"COM9");
    const std::vector<SystemComPort> expected = {{1, "\\Device\\Serial0"},
                                                 {3, "\\Device\\Serial1"},
                                                 {9, "\\Device\\串口0"},
                                                 {12, "\\Device\\VCP0"}};
    EXPECT_EQ(ListComPortsUnder(HKEY_CURRENT_USER, keyPath), expected);
}

TEST_F(DeviceMap, LeavesOutWhatNamesNoPortAndListsEachNumberOnce) {
    Announce(L"\\Device\\Serial0", L"COM2");
    Announce(L"\\Device\\Parallel0", L"LPT1");
    Announce(L"\\Device\\Broken", L"COM0");
    Announce(L"\\Device\\Other", L"COM2");
    const DWORD number = 4;
    ASSERT_EQ(::RegSetValueExW(key_, L"\\Device\\Dword", 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&number), sizeof number),
              ERROR_SUCCESS);
    // Stored without its closing null: "COM5" must not pick up what follows in the buffer.
    Announce(L"\\Device\\Unterminated", L"COM5", 4 * sizeof(wchar_t));
    const std::vector<SystemComPort> expected = {{2, "\\Device\\Other"},
                                                 {5, "\\Device\\Unterminated"}};
    EXPECT_EQ(ListComPortsUnder(HKEY_CURRENT_USER, keyPath), expected);
}

TEST_F(DeviceMap, AMissingKeyOrAnEmptyOneListsNothing) {
    EXPECT_TRUE(ListComPortsUnder(HKEY_CURRENT_USER, keyPath).empty());
    EXPECT_TRUE(ListComPortsUnder(HKEY_CURRENT_USER, keyPath + L"\\missing").empty());
}

}  // namespace
}  // namespace tavr
