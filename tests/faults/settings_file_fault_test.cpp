// The whole program with a settings file that cannot be used, or that another user could have
// put there: it starts with what it can read (the defaults, when nothing), connects as usual and
// leaves the file exactly as it was, with no temporary file beside it.
#include <fcntl.h>
#include <unistd.h>

#include <ostream>
#include <set>

#include "protocol/frame_codec.h"
#include "ui/link_lamp.h"
#include "unprivileged_file_access.h"
#include "whole_program_test.h"

namespace tavr {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

const std::string kStored =
    "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TAVR_12864]\n\"Modbus_id\"=\"0\"\n"
    "\"Modbus_btl\"=\"2\"\n\"Modbus_com\"=\"0\"\n\n";

enum class Fault {
    Garbled,         // not in the registry-export layout
    Directory,       // a folder stands where the file belongs
    Unreadable,      // mode 000
    ReadOnlyFolder,  // a readable file in a folder that takes no new file
    ForeignFolder,   // the folder belongs to another user
    SharedFile,      // the file may be written by others
};

struct FileFaultCase {
    const char* name;
    Fault fault;
    const char* baudRate;  // what the baud rate selector shows after the start
    friend void PrintTo(const FileFaultCase& value, std::ostream* out) { *out << value.name; }
};

// Whether the unprivileged user is refused what the fault should refuse it.
bool FaultHolds(Fault fault, const fs::path& folder, const fs::path& file) {
    if (fault == Fault::Unreadable) {
        const int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor >= 0) {
            close(descriptor);
        }
        return descriptor < 0;
    }
    const fs::path probe = folder / "probe";
    const int descriptor = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor >= 0) {
        close(descriptor);
        unlink(probe.c_str());
    }
    return descriptor < 0;
}

class SettingsFileFault : public WholeProgramTest,
                          public testing::WithParamInterface<FileFaultCase> {
  protected:
    // Puts the fault in place, or skips the test where this user cannot make it.
    void MakeFault() {
        switch (GetParam().fault) {
            case Fault::Garbled:
                PutFile(UserFile(), "REGEDIT4\n" + kStored.substr(10) + "\"Modbus_id\"=\"3\n");
                break;
            case Fault::Directory:
                fs::create_directories(UserFile() / "inside");
                break;
            case Fault::Unreadable:
                PutFile(UserFile(), kStored);
                fs::permissions(UserFile(), fs::perms::none);
                break;
            case Fault::ReadOnlyFolder:
                PutFile(UserFile(), kStored);
                fs::permissions(Folder(), fs::perms::owner_read | fs::perms::owner_exec);
                break;
            case Fault::ForeignFolder:
                PutFile(UserFile(), kStored);
                if (chown(Folder().c_str(), kNobody, kNobody) != 0) {
                    GTEST_SKIP() << "only root can hand a folder to another user";
                }
                break;
            case Fault::SharedFile:
                PutFile(UserFile(), kStored);
                fs::permissions(UserFile(), fs::perms::others_write, fs::perm_options::add);
                break;
        }
    }

    bool NeedsUnprivilegedUser() const {
        return GetParam().fault == Fault::Unreadable || GetParam().fault == Fault::ReadOnlyFolder;
    }

    // Runs the program from start to close: it restores the selectors, connects to the meter
    // (which stores the settings) and reads the registers once.
    void RunTheProgram() {
        Start();
        EXPECT_EQ(C().设备ID.Content(), "1");
        EXPECT_EQ(C().波特率.Content(), GetParam().baudRate);
        EXPECT_EQ(C().串口号.Content(), "1");
        ClickConnect();
        EXPECT_EQ(Lamp(), kLampReady);
        ClickRead();
        EXPECT_TRUE(PumpUntil([&] { return BytesReceived() >= kReadReplyLength; }));
        EXPECT_EQ(C().超级列表框1.RowCount(), kRegisterCount);
        Stop();
    }

    void GiveAccessBack() {
        if (GetParam().fault == Fault::ForeignFolder) {
            ASSERT_EQ(chown(Folder().c_str(), geteuid(), getegid()), 0);
        }
        fs::permissions(Folder(), fs::perms::owner_all);
        if (fs::is_regular_file(UserFile())) {
            fs::permissions(UserFile(), fs::perms::owner_read | fs::perms::owner_write);
        }
    }
};

TEST_P(SettingsFileFault, StartsWithWhatItCanReadConnectsAndLeavesTheFileAlone) {
    MakeFault();
    if (IsSkipped()) {
        return;
    }
    const bool directory = fs::is_directory(UserFile());
    const std::string before = directory ? "" : FileText(UserFile());
    {
        std::optional<UnprivilegedFileAccess> unprivileged;
        if (NeedsUnprivilegedUser()) {
            unprivileged.emplace(Home(), LineDevice());
            if (!FaultHolds(GetParam().fault, Folder(), UserFile())) {
                unprivileged.reset();
                GiveAccessBack();
                GTEST_SKIP() << "permissions are not enforced for an unprivileged user here";
            }
        }
        RunTheProgram();
    }
    GiveAccessBack();
    EXPECT_EQ(FolderEntries(Folder()), (std::set<std::string>{"dosdevices", "user.reg"}))
        << "no temporary file is left";
    if (directory) {
        EXPECT_TRUE(fs::is_directory(UserFile() / "inside"));
    } else {
        EXPECT_EQ(FileText(UserFile()), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsFileFault,
    testing::Values(FileFaultCase{"Garbled", Fault::Garbled, "2400"},
                    FileFaultCase{"Directory", Fault::Directory, "2400"},
                    FileFaultCase{"Unreadable", Fault::Unreadable, "2400"},
                    FileFaultCase{"ReadOnlyFolder", Fault::ReadOnlyFolder, "9600"},
                    FileFaultCase{"ForeignFolder", Fault::ForeignFolder, "2400"},
                    FileFaultCase{"SharedFile", Fault::SharedFile, "2400"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tavr
