#include "settings/posix/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "settings/config_home_test.h"

namespace tavr {
namespace {

using namespace std::chrono_literals;

// Holds the lock of a settings folder as another program does: through an open file
// description of its own.
class OtherHolder {
  public:
    explicit OtherHolder(const std::filesystem::path& file)
        : descriptor_(open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        EXPECT_EQ(flock(descriptor_, LOCK_EX), 0);
    }
    ~OtherHolder() { close(descriptor_); }
    OtherHolder(const OtherHolder&) = delete;
    OtherHolder& operator=(const OtherHolder&) = delete;

    void Release() { flock(descriptor_, LOCK_UN); }

  private:
    int descriptor_;
};

class FolderLockTest : public ConfigHomeTest {
  protected:
    void SetUp() override {
        ConfigHomeTest::SetUp();
        std::filesystem::create_directories(Folder());
    }

    std::filesystem::path LockFile() const { return Folder() / FolderLock::kLockFileName; }
};

TEST_F(FolderLockTest, IsAPrivateFileInsideTheFolder) {
    const FolderLock lock(Folder(), 0ms);
    ASSERT_TRUE(lock.Held());
    EXPECT_EQ(std::filesystem::status(LockFile()).permissions() & std::filesystem::perms::mask,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(FolderLockTest, GivesUpAfterTheLongestWaitWhileAnotherHolds) {
    const OtherHolder other(LockFile());
    EXPECT_FALSE(FolderLock(Folder(), 0ms).Held());
    EXPECT_FALSE(FolderLock(Folder(), 20ms).Held());
}

TEST_F(FolderLockTest, TakesTheLockWhenTheOtherHolderLetsGoDuringTheWait) {
    OtherHolder other(LockFile());
    std::thread releaser([&other] {
        std::this_thread::sleep_for(10ms);
        other.Release();
    });
    // The wait is far longer than the holder keeps the lock, so it ends by the release.
    const FolderLock lock(Folder(), 60s);
    releaser.join();
    EXPECT_TRUE(lock.Held());
}

TEST_F(FolderLockTest, OneHolderAtATime) {
    std::optional<FolderLock> first(std::in_place, Folder(), 0ms);
    ASSERT_TRUE(first->Held());
    EXPECT_FALSE(FolderLock(Folder(), 0ms).Held());
    first.reset();
    EXPECT_TRUE(FolderLock(Folder(), 0ms).Held());
}

TEST_F(FolderLockTest, ALinkOrPipeInPlaceOfTheLockFileIsNotFollowed) {
    std::filesystem::create_symlink(Home() / "elsewhere", LockFile());
    EXPECT_FALSE(FolderLock(Folder(), 0ms).Held());
    EXPECT_FALSE(std::filesystem::exists(Home() / "elsewhere"));
    std::filesystem::remove(LockFile());
    ASSERT_EQ(mkfifo(LockFile().c_str(), 0600), 0);
    EXPECT_FALSE(FolderLock(Folder(), 0ms).Held());
}

TEST_F(FolderLockTest, AMissingFolderIsNotLocked) {
    EXPECT_FALSE(FolderLock(Folder() / "missing", 0ms).Held());
}

}  // namespace
}  // namespace tavr
