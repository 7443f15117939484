#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>

#include "settings/registry.h"

namespace tavr {

// The Windows form of the settings fixture: the program's key, HKCU\Software\TAVR_12864, is
// empty for the length of a test. Whatever the key held before is kept in a key beside it and
// put back afterwards, so that running the tests on a real machine loses no settings.
//
// Tests written for the settings file put it in place with PutFile(UserFile(), text); here the
// values of the text's settings key (strings and dwords, as an export holds them) go into the
// registry instead, and no file is made.
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

    std::filesystem::path UserFile() const {
        return std::filesystem::temp_directory_path() / "TAVR_12864 test settings.reg";
    }

    static void PutFile(const std::filesystem::path&, const std::string& text) {
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            PutExportedValue(line);
        }
    }

  private:
    // One line "name"="text" or "name"=dword:hex of an export; other lines are skipped.
    static void PutExportedValue(const std::string& line) {
        const std::size_t nameEnd = line.find("\"=");
        if (line.empty() || line.front() != '"' || nameEnd == std::string::npos) {
            return;
        }
        const std::string path = "Software\\TAVR_12864\\" + line.substr(1, nameEnd - 1);
        const std::string data = line.substr(nameEnd + 2);
        if (data.rfind("dword:", 0) == 0) {
            const auto number = static_cast<std::uint32_t>(std::stoul(data.substr(6), nullptr, 16));
            ASSERT_TRUE(
                WriteRegistry(RegistryRoot::CurrentUser, path, static_cast<std::int32_t>(number)));
        } else if (data.size() >= 2 && data.front() == '"' && data.back() == '"') {
            ASSERT_TRUE(
                WriteRegistry(RegistryRoot::CurrentUser, path, data.substr(1, data.size() - 2)));
        }
    }

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
