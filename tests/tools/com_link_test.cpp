#include "meter_simulator/com_link.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <optional>
#include <string>

namespace tavr::simulator {
namespace {

namespace fs = std::filesystem;

// Points XDG_CONFIG_HOME (and HOME) at a fresh temporary folder for the test's lifetime.
class ComLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavr-link-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        Remember("XDG_CONFIG_HOME", savedConfigHome_);
        Remember("HOME", savedHome_);
        setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        setenv("HOME", (root_ / "home").c_str(), 1);
    }

    void TearDown() override {
        Restore("XDG_CONFIG_HOME", savedConfigHome_);
        Restore("HOME", savedHome_);
        fs::remove_all(root_);
    }

    static void Remember(const char* name, std::optional<std::string>& saved) {
        if (const char* value = std::getenv(name)) {
            saved = value;
        }
    }

    static void Restore(const char* name, const std::optional<std::string>& saved) {
        if (saved) {
            setenv(name, saved->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }

    fs::path root_;
    std::optional<std::string> savedConfigHome_;
    std::optional<std::string> savedHome_;
};

TEST_F(ComLinkTest, LinkLivesInTheConfigFolder) {
    EXPECT_EQ(ComLinkPath(3), root_ / "config" / "TAVR_12864" / "dosdevices" / "com3");

    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(ComLinkPath(12), root_ / "home" / ".config" / "TAVR_12864" / "dosdevices" / "com12");
}

TEST_F(ComLinkTest, LinkIsMadeReplacedAndRemovedOnlyWhileItIsOurs) {
    const fs::path path = ComLinkPath(1);
    std::string error;
    {
        ComLink stale;
        ASSERT_TRUE(stale.Create(path, "/dev/pts/9999", error)) << error;
        ComLink link;
        ASSERT_TRUE(link.Create(path, "/dev/null", error)) << error;
        EXPECT_EQ(fs::read_symlink(path), "/dev/null");
    }  // both gone: the stale one no longer owns the link, the live one removes it
    EXPECT_FALSE(fs::exists(fs::symlink_status(path)));

    {
        ComLink link;
        ASSERT_TRUE(link.Create(path, "/dev/null", error)) << error;
        fs::remove(path);
        fs::create_symlink("/dev/zero", path);  // someone else's link now
    }
    EXPECT_EQ(fs::read_symlink(path), "/dev/zero");
}

TEST_F(ComLinkTest, AFileThatIsNoLinkIsLeftAlone) {
    const fs::path path = ComLinkPath(2);
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "notes";
    ComLink link;
    std::string error;

    EXPECT_FALSE(link.Create(path, "/dev/null", error));
    EXPECT_NE(error, "");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path)));
}

}  // namespace
}  // namespace tavr::simulator
