#pragma once

#include <gtest/gtest.h>
#include <windows.h>

namespace tavr {

// The Windows form of the settings fixture: the program's key, HKCU\Software\TAVR_12864, is
// empty for the length of a test. Whatever the key held before is kept in a key beside it and
// put back afterwards, so that running the tests on a real machine loses no settings.
class ConfigHomeTest : public testing::Test {
  protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kSaved);
        saved_ = Copy(kProgram, kSaved);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kProgram);
    }

    void TearDown() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kProgram);
        if (saved_) {
            ASSERT_TRUE(Copy(kSaved, kProgram)) << "the program's settings are in "
                                                << "HKCU\\"
                                                << "Software\\TAVR_12864 saved by tests";
            ::RegDeleteTreeW(HKEY_CURRENT_USER, kSaved);
        }
    }

  private:
    static constexpr const wchar_t* kProgram = L"Software\\TAVR_12864";
    static constexpr const wchar_t* kSaved = L"Software\\TAVR_12864 saved by tests";

    // Copies the key `from` with everything below it to `to`; false when `from` is missing.
    static bool Copy(const wchar_t* from, const wchar_t* to) {
        HKEY source = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, from, 0, KEY_READ, &source) != ERROR_SUCCESS) {
            return false;
        }
        HKEY target = nullptr;
        bool copied = ::RegCreateKeyExW(HKEY_CURRENT_USER, to, 0, nullptr, 0, KEY_ALL_ACCESS,
                                        nullptr, &target, nullptr) == ERROR_SUCCESS;
        if (copied) {
            copied = ::RegCopyTreeW(source, nullptr, target) == ERROR_SUCCESS;
            ::RegCloseKey(target);
        }
        ::RegCloseKey(source);
        return copied;
    }

    bool saved_ = false;
};

}  // namespace tavr
