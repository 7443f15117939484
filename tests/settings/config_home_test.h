#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>

#include "settings/posix/folder_lock.h"

namespace tavr {

// Points XDG_CONFIG_HOME (and HOME) at a fresh temporary folder for the length of a test, so
// that no test reads or writes the user's own settings.
class ConfigHomeTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::path(testing::TempDir()) / "tavr-config-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
        Remember("XDG_CONFIG_HOME", savedConfigHome_);
        Remember("HOME", savedHome_);
        setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
        setenv("HOME", (home_ / "home").c_str(), 1);
    }

    void TearDown() override {
        Restore("XDG_CONFIG_HOME", savedConfigHome_);
        Restore("HOME", savedHome_);
        std::error_code ignored;
        std::filesystem::permissions(Folder(), std::filesystem::perms::owner_all, ignored);
        std::filesystem::permissions(
            UserFile(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
            ignored);
        std::filesystem::remove_all(home_, ignored);
    }

    const std::filesystem::path& Home() const { return home_; }
    std::filesystem::path Folder() const { return home_ / "TAVR_12864"; }
    std::filesystem::path UserFile() const { return Folder() / "user.reg"; }

    static std::string FileText(const std::filesystem::path& file) {
        std::ifstream stream(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    }

    // The names in `folder` but the settings lock file, which stays once a write has made it.
    static std::set<std::string> FolderEntries(const std::filesystem::path& folder) {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
        names.erase(std::string(FolderLock::kLockFileName));
        return names;
    }

    static void PutFile(const std::filesystem::path& file, const std::string& text) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }

  private:
    static void Remember(const char* variable, std::optional<std::string>& saved) {
        const char* value = std::getenv(variable);
        saved = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }

    static void Restore(const char* variable, const std::optional<std::string>& saved) {
        if (saved) {
            setenv(variable, saved->c_str(), 1);
        } else {
            unsetenv(variable);
        }
    }

    std::filesystem::path home_;
    std::optional<std::string> savedConfigHome_;
    std::optional<std::string> savedHome_;
};

}  // namespace tavr
