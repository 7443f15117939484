// A process killed with SIGKILL while it writes the settings: the file is always one complete
// version, the old or the new, never a cut one. The temporary file of the write that was cut
// short may stay behind until the next write removes it.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <set>

#include "settings/config_home_test.h"
#include "settings/registry.h"

namespace tavr {
namespace {

namespace fs = std::filesystem;

constexpr RegistryRoot kCurrentUser = RegistryRoot::CurrentUser;
constexpr std::string_view kValuePath = "Software\\TAVR_12864\\Modbus_id";
// Large enough that writing the file takes a while, so that many kills land inside a write.
constexpr std::size_t kValueLength = 64 * 1024;

bool IsTemporaryFile(const std::string& name) {
    return name.rfind(".user.reg.", 0) == 0;
}

// Writes the two values in turn, forever; never returns.
[[noreturn]] void WriteForever(const Text& first, const Text& second) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (std::uint64_t round = 0;; ++round) {
        WriteRegistry(kCurrentUser, kValuePath, round % 2 == 0 ? first : second);
    }
}

using SettingsKill = ConfigHomeTest;

TEST_F(SettingsKill, LeavesTheOldOrTheNewFileAndAtMostOneTemporaryFile) {
    const Text first(kValueLength, 'a');
    const Text second(kValueLength, 'b');
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kValuePath, second));
    const std::string secondFile = FileText(UserFile());
    const auto writeStart = std::chrono::steady_clock::now();
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kValuePath, first));
    const auto writeTime = std::chrono::steady_clock::now() - writeStart;
    const std::string firstFile = FileText(UserFile());
    // The kills are spread over the first three writes of each writer, so that they land in
    // every stage of a write however fast this machine (or this build) writes.
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(3 * writeTime);

    constexpr int kKills = 120;
    int temporaryFilesLeft = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            WriteForever(first, second);
        }
        usleep(static_cast<useconds_t>(span.count() * ((kill * 7919) % 1000) / 1000));
        ASSERT_EQ(::kill(writer, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        const std::string text = FileText(UserFile());
        ASSERT_TRUE(text == firstFile || text == secondFile)
            << "kill " << kill << " left a file of " << text.size() << " bytes";
        const Text value = ReadRegistryText(kCurrentUser, kValuePath);
        ASSERT_TRUE(value == first || value == second) << "kill " << kill;
        int temporary = 0;
        for (const std::string& name : FolderEntries(Folder())) {
            temporary += IsTemporaryFile(name) ? 1 : 0;
        }
        ASSERT_LE(temporary, 1) << "kill " << kill << ": stray files pile up";
        temporaryFilesLeft += temporary;
    }
    std::cout << "[ kill -9 ] " << temporaryFilesLeft << " of " << kKills
              << " kills left a temporary file behind\n";

    ASSERT_TRUE(WriteRegistry(kCurrentUser, kValuePath, Text("1")));
    EXPECT_EQ(FolderEntries(Folder()), std::set<std::string>{"user.reg"});
}

TEST_F(SettingsKill, TheNextWriteRemovesWhatAKilledWriteLeftAndNothingElse) {
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kValuePath, Text("1")));
    PutFile(Folder() / ".user.reg.Ab3xY9", "half a file");
    PutFile(Folder() / ".user.reg.old", "not ours: too short a suffix");
    PutFile(Folder() / "user.reg.Ab3xY9", "not ours: no leading dot");
    PutFile(Folder() / ".other.reg.Ab3xY9", "another file's");
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kValuePath, Text("2")));
    EXPECT_EQ(FolderEntries(Folder()),
              (std::set<std::string>{"user.reg", ".user.reg.old", "user.reg.Ab3xY9",
                                     ".other.reg.Ab3xY9"}));
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kValuePath), "2");
}

}  // namespace
}  // namespace tavr
