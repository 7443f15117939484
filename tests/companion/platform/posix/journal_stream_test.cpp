#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "companion/platform/log_priority.h"

namespace tavr {
namespace {

// systemd names the journal's stream as "device:inode"; only a descriptor on that very file is
// the journal, and only then do lines carry their priority.
TEST(JournalStreamTest, OnlyTheNamedStreamIsTheJournal) {
    char path[] = "/tmp/tavr-journal-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    struct stat status {};
    ASSERT_EQ(fstat(fd, &status), 0);
    const std::string named = std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
    const std::string other =
        std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino + 1);
    // Named, so that the texts outlive the table that points at them.
    const std::string trailingText = named + "x";
    const std::string extraField = named + ":1";
    struct Case {
        const char* journalStream;
        bool journal;
    };
    const Case cases[] = {
        {named.c_str(), true},
        {other.c_str(), false},
        {nullptr, false},
        {"", false},
        {"12", false},
        {trailingText.c_str(), false},
        {extraField.c_str(), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsJournalStream(fd, c.journalStream), c.journal)
            << (c.journalStream ? c.journalStream : "(unset)");
    }
    close(fd);
    unlink(path);

    EXPECT_EQ(PriorityPrefix(LogPriority::Error, true), "<3>");
    EXPECT_EQ(PriorityPrefix(LogPriority::Warning, true), "<4>");
    EXPECT_EQ(PriorityPrefix(LogPriority::Info, true), "<6>");
    EXPECT_EQ(PriorityPrefix(LogPriority::Error, false), "");
}

}  // namespace
}  // namespace tavr
