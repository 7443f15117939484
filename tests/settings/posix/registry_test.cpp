#include "settings/registry.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <set>

#include "settings/config_home_test.h"

namespace tavr {
namespace {

constexpr RegistryRoot kCurrentUser = RegistryRoot::CurrentUser;
constexpr std::string_view kIdPath = "Software\\TAVR_12864\\Modbus_id";
constexpr std::string_view kSettingsSection = "[HKEY_CURRENT_USER\\Software\\TAVR_12864]\n";

std::filesystem::perms ModeOf(const std::filesystem::path& path) {
    return std::filesystem::status(path).permissions() & std::filesystem::perms::mask;
}

using SettingsStoreTest = ConfigHomeTest;

// `text` as Windows writes it to a file: UTF-16 code units, low byte first.
std::string Utf16LeBytes(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

struct TextCase {
    const char* name;
    Text text;
};

class TextRoundTrip : public ConfigHomeTest, public testing::WithParamInterface<TextCase> {};

TEST_P(TextRoundTrip, ReadsBackWhatWasWritten) {
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, GetParam().text));
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Texts, TextRoundTrip,
                         testing::Values(TextCase{"Index", "5"}, TextCase{"NoSelection", "-1"},
                                         TextCase{"Empty", ""},
                                         TextCase{"QuotesAndBackslashes", R"(a "b" \c\ \\d\")"},
                                         TextCase{"TrailingBackslash", "C:\\dir\\"},
                                         TextCase{"LineBreaks", "one\r\ntwo\nthree"},
                                         TextCase{"Chinese", "设备地址ID号"}),
                         [](const auto& info) { return info.param.name; });

TEST_F(SettingsStoreTest, StoresTheSettingsInTheRegistryExportLayout) {
    ASSERT_TRUE(WriteRegistry(kCurrentUser, "Software\\TAVR_12864\\Modbus_id", Text("0")));
    ASSERT_TRUE(WriteRegistry(kCurrentUser, "Software\\TAVR_12864\\Modbus_btl", Text("2")));
    ASSERT_TRUE(WriteRegistry(kCurrentUser, "Software\\TAVR_12864\\Modbus_com", Text("5")));
    EXPECT_EQ(FileText(UserFile()), "REGEDIT4\n\n" + std::string(kSettingsSection) +
                                        "\"Modbus_id\"=\"0\"\n"
                                        "\"Modbus_btl\"=\"2\"\n"
                                        "\"Modbus_com\"=\"5\"\n\n");
}

TEST_F(SettingsStoreTest, MissingSettingsReadAsTheDefaultText) {
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath, "fallback"), "fallback");
    ASSERT_TRUE(WriteRegistry(kCurrentUser, "Software\\TAVR_12864\\Modbus_btl", Text("2")));
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath, "fallback"), "fallback");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, "Software\\Other\\Modbus_btl", "fallback"),
              "fallback");
}

TEST_F(SettingsStoreTest, WriteKeepsOtherKeysAndValuesAndReadsCrLfAndContinuedLines) {
    PutFile(UserFile(),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
            "@=\"default text\"\r\n"
            "\"Count\"=dword:0000002a\r\n"
            "\"Blob\"=hex:de,ad,\\\r\n"
            "  be,ef\r\n"
            "\"List\"=hex(7):61,00,00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\TAVR_12864]\r\n"
            "\"Modbus_id\"=\"old\"\r\n"
            "\"Modbus_btl\"=\"3\"\r\n");
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("9")));
    EXPECT_EQ(FileText(UserFile()),
              "REGEDIT4\n\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\n"
              "@=\"default text\"\n"
              "\"Count\"=dword:0000002a\n"
              "\"Blob\"=hex:de,ad,be,ef\n"
              "\"List\"=hex(7):61,00,00\n\n" +
                  std::string(kSettingsSection) +
                  "\"Modbus_id\"=\"9\"\n"
                  "\"Modbus_btl\"=\"3\"\n\n");
}

TEST_F(SettingsStoreTest, OnlyStringValuesReadAsText) {
    setenv("TAVR_TEST_FOLDER", "/srv/meter", 1);
    // hex(2) holds "%TAVR_TEST_FOLDER%\x %TAVR_TEST_UNSET%" and its terminating zero byte.
    PutFile(UserFile(),
            "REGEDIT4\n\n" + std::string(kSettingsSection) +
                "\"Number\"=dword:00000001\n"
                "\"Bytes\"=hex:31,00\n"
                "\"Lines\"=hex(7):31,00,00\n"
                "\"HexString\"=hex(1):61,62,00\n"
                "\"Expandable\"=hex(2):25,54,41,56,52,5f,54,45,53,54,5f,46,4f,4c,44,45,52,25,5c,"
                "78,20,25,54,41,56,52,5f,54,45,53,54,5f,55,4e,53,45,54,25,00\n");
    const auto read = [](std::string_view name) {
        return ReadRegistryText(kCurrentUser, "Software\\TAVR_12864\\" + std::string(name), "-");
    };
    EXPECT_EQ(read("Number"), "-");
    EXPECT_EQ(read("Bytes"), "-");
    EXPECT_EQ(read("Lines"), "-");
    EXPECT_EQ(read("HexString"), "ab");
    EXPECT_EQ(read("Expandable"), "/srv/meter\\x %TAVR_TEST_UNSET%");
    unsetenv("TAVR_TEST_FOLDER");
}

struct StoredFormCase {
    const char* name;
    Value value;
    const char* line;
};

class StoredForm : public ConfigHomeTest, public testing::WithParamInterface<StoredFormCase> {};

TEST_P(StoredForm, EachValueTypeHasItsRegistryType) {
    ASSERT_TRUE(WriteRegistry(kCurrentUser, "Software\\TAVR_12864\\v", GetParam().value));
    EXPECT_EQ(FileText(UserFile()),
              "REGEDIT4\n\n" + std::string(kSettingsSection) + GetParam().line + "\n\n");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, "Software\\TAVR_12864\\v", "default"), "default");
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredForm,
    testing::Values(StoredFormCase{"Int32", std::int32_t{10}, "\"v\"=dword:0000000a"},
                    StoredFormCase{"ByteZeroExtended", std::uint8_t{200}, "\"v\"=dword:000000c8"},
                    StoredFormCase{"ShortSignExtended", std::int16_t{-2}, "\"v\"=dword:fffffffe"},
                    StoredFormCase{"Int64LowBits", std::int64_t{0x1'0000'0005},
                                   "\"v\"=dword:00000005"},
                    StoredFormCase{"FloatTruncated", 3.9F, "\"v\"=dword:00000003"},
                    StoredFormCase{"DoubleTruncatedTowardZero", -2.7, "\"v\"=dword:fffffffe"},
                    StoredFormCase{"DoubleAboveRange", 1e12, "\"v\"=dword:7fffffff"},
                    StoredFormCase{"DoubleBelowRange", -1e12, "\"v\"=dword:80000000"},
                    StoredFormCase{"NotANumber", std::nan(""), "\"v\"=dword:00000000"},
                    StoredFormCase{"Bytes", ByteSet{0x01, 0xAB}, "\"v\"=hex:01,ab"},
                    StoredFormCase{"NoBytes", ByteSet{}, "\"v\"=hex:"}),
    [](const auto& info) { return info.param.name; });

TEST_F(SettingsStoreTest, ValuesOfOtherTypesAreNotWritten) {
    for (const Value& value : {Value{}, Value{Boolean{1}}, Value{DateTime{1.5}},
                               Value{TextArray{"a"}}, Value{Int32Array{1}}}) {
        EXPECT_FALSE(WriteRegistry(kCurrentUser, kIdPath, value));
    }
    EXPECT_FALSE(std::filesystem::exists(UserFile()));
}

TEST_F(SettingsStoreTest, PathsNameKeysAndValuesAsTheRegistryDoes) {
    ASSERT_TRUE(WriteRegistry(kCurrentUser, "TopLevel", Text("t")));
    ASSERT_TRUE(WriteRegistry(kCurrentUser, "Software\\TAVR_12864\\", Text("d")));
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("1")));
    ASSERT_TRUE(WriteRegistry(kCurrentUser, "SOFTWARE\\tavr_12864\\MODBUS_ID", Text("2")));
    EXPECT_EQ(FileText(UserFile()), "REGEDIT4\n\n[HKEY_CURRENT_USER]\n\"TopLevel\"=\"t\"\n\n" +
                                        std::string(kSettingsSection) +
                                        "@=\"d\"\n\"Modbus_id\"=\"2\"\n\n");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, "toplevel"), "t");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, "Software\\TAVR_12864\\"), "d");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "2");
}

TEST_F(SettingsStoreTest, UnknownRootCodesMeanTheCurrentUserAndOtherRootsHaveTheirOwnFile) {
    ASSERT_TRUE(WriteRegistry(static_cast<RegistryRoot>(99), kIdPath, Text("user")));
    ASSERT_TRUE(WriteRegistry(RegistryRoot::LocalMachine, kIdPath, Text("machine")));
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "user");
    EXPECT_EQ(ReadRegistryText(static_cast<RegistryRoot>(0), kIdPath), "user");
    EXPECT_EQ(ReadRegistryText(RegistryRoot::LocalMachine, kIdPath), "machine");
    EXPECT_EQ(
        FileText(Folder() / "local_machine.reg"),
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\TAVR_12864]\n\"Modbus_id\"=\"machine\"\n\n");
}

TEST_F(SettingsStoreTest, NamesThatCannotBeStoredAreRefused) {
    for (std::string_view path : {"Software\\\\TAVR_12864\\v", "\\Software\\v",
                                  "Software\\TAVR_12864\\line\nbreak", "Soft\rware\\v"}) {
        EXPECT_FALSE(WriteRegistry(kCurrentUser, path, Text("x"))) << path;
    }
    EXPECT_FALSE(std::filesystem::exists(UserFile()));
}

TEST_F(SettingsStoreTest, WritesThePrivateFileAtomicallyIntoNewFolders) {
    setenv("XDG_CONFIG_HOME", (Home() / "deep" / "config").c_str(), 1);
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("3")));
    const std::filesystem::path folder = Home() / "deep" / "config" / "TAVR_12864";
    EXPECT_EQ(ModeOf(Home() / "deep"), std::filesystem::perms::owner_all);
    EXPECT_EQ(ModeOf(folder), std::filesystem::perms::owner_all);
    EXPECT_EQ(ModeOf(folder / "user.reg"),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(FolderEntries(folder), std::set<std::string>{"user.reg"});
}

TEST_F(SettingsStoreTest, ReplacingAFileMakesItPrivate) {
    PutFile(UserFile(), "REGEDIT4\n");
    std::filesystem::permissions(
        UserFile(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                        std::filesystem::perms::group_read | std::filesystem::perms::others_read);
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("3")));
    EXPECT_EQ(ModeOf(UserFile()),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(FolderEntries(Folder()), std::set<std::string>{"user.reg"});
}

TEST_F(SettingsStoreTest, WithoutConfigHomeTheFolderIsUnderTheHomeConfigFolder) {
    unsetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("4")));
    EXPECT_TRUE(std::filesystem::exists(Home() / "home" / ".config" / "TAVR_12864" / "user.reg"));
    setenv("XDG_CONFIG_HOME", "relative/path", 1);
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "4");
}

TEST_F(SettingsStoreTest, AWindowsExportIsReadAndAWriteTurnsItIntoTheOwnLayout) {
    PutFile(UserFile(), Utf16LeBytes(u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n"
                                     u"[HKEY_CURRENT_USER\\Software\\TAVR_12864]\r\n"
                                     u"\"Modbus_id\"=\"4\"\r\n"
                                     u"\"Modbus_btl\"=\"2\"\r\n"
                                     u"\"备注\"=\"设备 \U0001F600\"\r\n\r\n"
                                     u"[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                                     u"\"Path\"=hex(2):61,00,62,00,00,00\r\n"
                                     u"\"Odd\"=hex(2):61,00,62\r\n"
                                     u"\"Count\"=dword:00000010\r\n\r\n"));
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "4");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, "Software\\TAVR_12864\\备注"), "设备 \U0001F600");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, "Software\\Other\\Path"), "ab");

    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("9")));
    EXPECT_EQ(FileText(UserFile()), "REGEDIT4\n\n" + std::string(kSettingsSection) +
                                        "\"Modbus_id\"=\"9\"\n"
                                        "\"Modbus_btl\"=\"2\"\n"
                                        "\"备注\"=\"设备 \U0001F600\"\n\n"
                                        "[HKEY_CURRENT_USER\\Software\\Other]\n"
                                        "\"Path\"=hex(2):61,62,00\n"
                                        "\"Odd\"=hex(2):61,00,62\n"
                                        "\"Count\"=dword:00000010\n\n");
}

// The file is read afresh at every access, even when a change keeps its size.
TEST_F(SettingsStoreTest, EveryReadSeesTheFileAsItIsNow) {
    PutFile(UserFile(), "REGEDIT4\n" + std::string(kSettingsSection) + "\"Modbus_id\"=\"1\"\n");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "1");
    PutFile(UserFile(), "REGEDIT4\n" + std::string(kSettingsSection) + "\"Modbus_id\"=\"2\"\n");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "2");
    PutFile(UserFile(), "REGEDIT4\n" + std::string(kSettingsSection) + "\"Modbus_id\"=\"3\n");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath, "-"), "-");
}

// A file of the largest size read, many keys with a setting in the last one, is read and
// written whole; a write that would take it over that size fails, since the file could not be
// read back, and one byte more and it is left alone.
TEST_F(SettingsStoreTest, AFileUpToTheSizeLimitIsReadAndKeptWhole) {
    constexpr std::size_t kLimit = 4 * 1024 * 1024;
    std::string text = "REGEDIT4\n";
    for (int key = 0; text.size() < kLimit - 200; ++key) {
        text += "\n[HKEY_CURRENT_USER\\Software\\Filler\\" + std::to_string(key) + "]\n\"v\"=\"" +
                std::to_string(key) + "\"\n";
    }
    text += "\n" + std::string(kSettingsSection) + "\"Modbus_id\"=\"7\"\n";
    text.resize(kLimit, '\n');
    PutFile(UserFile(), text);
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "7");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, "Software\\Filler\\12345\\V"), "12345");
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("8")));
    EXPECT_EQ(ReadRegistryText(kCurrentUser, "Software\\Filler\\0\\v"), "0");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "8");

    // The value "8" takes one byte of the file; the longest value that fits fills it up exactly.
    const std::size_t longest = kLimit - FileText(UserFile()).size() + 1;
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text(longest, 'x')));
    const std::string written = FileText(UserFile());
    EXPECT_EQ(written.size(), kLimit);
    EXPECT_FALSE(WriteRegistry(kCurrentUser, kIdPath, Text(longest + 1, 'x')));
    EXPECT_EQ(FileText(UserFile()), written);

    PutFile(UserFile(), text + "\n");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath, "-"), "-");
    EXPECT_FALSE(WriteRegistry(kCurrentUser, kIdPath, Text("9")));
    EXPECT_EQ(FileText(UserFile()).size(), kLimit + 1);
}

TEST_F(SettingsStoreTest, AnEmptyFileIsAnEmptyRegistry) {
    PutFile(UserFile(), "");
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath, "-"), "-");
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("1")));
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "1");
}

// Every garbled file also holds a well-formed setting, which must not be read: a file that does
// not parse reads as empty as a whole, and is never replaced, so that nothing in it is lost.
struct GarbledCase {
    const char* name;
    std::string text;
};

const std::string kWellFormed = std::string(kSettingsSection) + "\"Modbus_id\"=\"7\"\n";

class GarbledFile : public ConfigHomeTest, public testing::WithParamInterface<GarbledCase> {};

TEST_P(GarbledFile, ReadsAsEmptyAndIsNotReplaced) {
    PutFile(UserFile(), GetParam().text);
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath, "-"), "-");
    EXPECT_FALSE(WriteRegistry(kCurrentUser, kIdPath, Text("8")));
    EXPECT_EQ(FileText(UserFile()), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Files, GarbledFile,
    testing::Values(
        GarbledCase{"NoHeader", kWellFormed},
        GarbledCase{"WrongHeader", "REGEDIT3\n" + kWellFormed},
        GarbledCase{"ValueOutsideSection", "REGEDIT4\n\"a\"=\"b\"\n" + kWellFormed},
        GarbledCase{"OpenSection", "REGEDIT4\n[HKEY_CURRENT_USER\\Old\n" + kWellFormed},
        GarbledCase{"DeletedKey", "REGEDIT4\n[-HKEY_CURRENT_USER\\Old]\n" + kWellFormed},
        GarbledCase{"DeletedValue", "REGEDIT4\n" + kWellFormed + "\"a\"=-\n"},
        GarbledCase{"OpenString", "REGEDIT4\n" + kWellFormed + "\"a\"=\"b\n"},
        GarbledCase{"UnknownEscape", "REGEDIT4\n" + kWellFormed + "\"a\"=\"C:\\dir\"\n"},
        GarbledCase{"TextAfterString", "REGEDIT4\n" + kWellFormed + "\"a\"=\"b\" c\n"},
        GarbledCase{"LongDword", "REGEDIT4\n" + kWellFormed + "\"a\"=dword:123456789\n"},
        GarbledCase{"BadHexByte", "REGEDIT4\n" + kWellFormed + "\"a\"=hex:01,zz\n"},
        GarbledCase{"MissingHexByte", "REGEDIT4\n" + kWellFormed + "\"a\"=hex:01,,02\n"},
        GarbledCase{"ContinuedPastTheEnd", "REGEDIT4\n" + kWellFormed + "\"a\"=hex:01,\\\n"},
        GarbledCase{"BinaryJunk", "REGEDIT4\n" + kWellFormed + std::string("\0\xFF\x01", 3)},
        GarbledCase{"Utf16OddLength",
                    Utf16LeBytes(u"\xFEFFREGEDIT4\n") +
                        Utf16LeBytes(u"[HKEY_CURRENT_USER\\Software\\TAVR_12864]\n"
                                     u"\"Modbus_id\"=\"7\"\n") +
                        "\n"},
        GarbledCase{"Utf16LoneSurrogate",
                    Utf16LeBytes(u"\xFEFFREGEDIT4\n[HKEY_CURRENT_USER\\Software\\TAVR_12864]\n"
                                 u"\"Modbus_id\"=\"7\"\n\"a\"=\"") +
                        std::string("\x00\xD8", 2) + Utf16LeBytes(u"\"\n")}),
    [](const auto& info) { return info.param.name; });

TEST_F(SettingsStoreTest, ADirectoryOrPipeInPlaceOfTheFileReadsAsEmptyAndIsKept) {
    std::filesystem::create_directories(UserFile());
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath, "-"), "-");
    EXPECT_FALSE(WriteRegistry(kCurrentUser, kIdPath, Text("1")));
    EXPECT_TRUE(std::filesystem::is_directory(UserFile()));

    std::filesystem::remove(UserFile());
    ASSERT_EQ(mkfifo(UserFile().c_str(), 0600), 0);
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath, "-"), "-");
    EXPECT_FALSE(WriteRegistry(kCurrentUser, kIdPath, Text("1")));
    EXPECT_TRUE(std::filesystem::is_fifo(UserFile()));
}

TEST_F(SettingsStoreTest, AFileInPlaceOfTheFolderMakesTheWriteFail) {
    PutFile(Folder(), "not a folder");
    EXPECT_FALSE(WriteRegistry(kCurrentUser, kIdPath, Text("1")));
    EXPECT_EQ(FileText(Folder()), "not a folder");
}

TEST_F(SettingsStoreTest, AWriteCutShortLeavesTheOldFileAndNoTemporaryFile) {
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("1")));
    const std::string before = FileText(UserFile());
    // A file size limit makes writing the new contents fail half-way, even for root.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = before.size() + 8;
    const auto savedSignal = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteRegistry(kCurrentUser, kIdPath, Text(200, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, savedSignal);
    EXPECT_FALSE(written);
    EXPECT_EQ(FileText(UserFile()), before);
    EXPECT_EQ(FolderEntries(Folder()), std::set<std::string>{"user.reg"});
}

// Another program holding the settings lock for as long as it lives: a child process that takes
// the lock, says so, and keeps it until this end of its pipe is closed.
class LockHoldingProcess {
  public:
    explicit LockHoldingProcess(const std::filesystem::path& lockFile) {
        int ready[2];
        int hold[2];
        if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(hold, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "no pipes";
            return;
        }
        child_ = fork();
        if (child_ == 0) {
            const int lock = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            char byte = flock(lock, LOCK_EX) == 0 ? 'y' : 'n';
            close(hold[1]);
            (void)!write(ready[1], &byte, 1);
            (void)!read(hold[0], &byte, 1);
            _exit(0);
        }
        close(ready[1]);
        close(hold[0]);
        release_ = hold[1];
        char byte = 0;
        EXPECT_EQ(read(ready[0], &byte, 1), 1);
        EXPECT_EQ(byte, 'y') << "the child took the lock";
        close(ready[0]);
    }

    ~LockHoldingProcess() { Release(); }
    LockHoldingProcess(const LockHoldingProcess&) = delete;
    LockHoldingProcess& operator=(const LockHoldingProcess&) = delete;

    void Release() {
        if (child_ > 0) {
            close(release_);
            waitpid(child_, nullptr, 0);
            child_ = -1;
        }
    }

  private:
    pid_t child_ = -1;
    int release_ = -1;
};

TEST_F(SettingsStoreTest, WhileAnotherProgramHoldsTheLockAWriteFailsAndTheValueStays) {
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("1")));
    LockHoldingProcess other(Folder() / FolderLock::kLockFileName);
    EXPECT_FALSE(WriteRegistry(kCurrentUser, kIdPath, Text("2")));
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "1");
    other.Release();
    EXPECT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("2")));
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "2");
}

TEST_F(SettingsStoreTest, ALockOnTheFolderItselfDoesNotStopAWrite) {
    std::filesystem::create_directories(Folder());
    const int folder = open(Folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(flock(folder, LOCK_EX), 0);
    EXPECT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("1")));
    close(folder);
}

// Settings that another user owns or may change are neither read nor written, and the refusal
// is said once on standard error, naming the path and why.
struct StrangerCase {
    const char* name;
    bool onFolder;                   // else on the settings file
    bool otherOwner;                 // handed to user 65534, which needs root
    std::filesystem::perms writers;  // added to the mode
    const char* reason;
    friend void PrintTo(const StrangerCase& value, std::ostream* out) { *out << value.name; }
};

class StrangersSettings : public ConfigHomeTest, public testing::WithParamInterface<StrangerCase> {
  protected:
    std::filesystem::path Target() const { return GetParam().onFolder ? Folder() : UserFile(); }
};

TEST_P(StrangersSettings, AreNotReadNorWrittenAndTheRefusalIsSaid) {
    constexpr uid_t kNobody = 65534;
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("1")));
    const std::string before = FileText(UserFile());
    if (GetParam().otherOwner && chown(Target().c_str(), kNobody, kNobody) != 0) {
        GTEST_SKIP() << "only root can hand a file to another user";
    }
    std::filesystem::permissions(Target(), GetParam().writers, std::filesystem::perm_options::add);

    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath, "-"), "-");
    EXPECT_FALSE(WriteRegistry(kCurrentUser, kIdPath, Text("2")));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "TAVR_12864: settings at " + Target().string() +
                        " not used: " + GetParam().reason +
                        (GetParam().otherOwner ? std::to_string(geteuid()) : "") + "\n");
    EXPECT_EQ(FileText(UserFile()), before);

    ASSERT_EQ(chown(Target().c_str(), geteuid(), getegid()), 0);
    std::filesystem::permissions(Target(), GetParam().writers,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "1");
}

INSTANTIATE_TEST_SUITE_P(
    Strangers, StrangersSettings,
    testing::Values(
        StrangerCase{"FolderOfAnotherUser", true, true, std::filesystem::perms::none,
                     "owned by user 65534, not by user "},
        StrangerCase{"FolderWritableByGroup", true, false, std::filesystem::perms::group_write,
                     "group or others may write to it (mode 0720)"},
        StrangerCase{"FolderWritableByOthers", true, false,
                     std::filesystem::perms::others_all | std::filesystem::perms::sticky_bit,
                     "group or others may write to it (mode 1707)"},
        StrangerCase{"FileOfAnotherUser", false, true, std::filesystem::perms::none,
                     "owned by user 65534, not by user "},
        StrangerCase{"FileWritableByGroup", false, false, std::filesystem::perms::group_write,
                     "group or others may write to it (mode 0620)"},
        StrangerCase{"FileWritableByOthers", false, false, std::filesystem::perms::others_write,
                     "group or others may write to it (mode 0602)"}),
    [](const auto& info) { return info.param.name; });

// Permission checks do not stop root; these cases then cannot be set up and are skipped.
bool PermissionsAreEnforced(const std::filesystem::path& path, int access_mode) {
    return access(path.c_str(), access_mode) != 0;
}

TEST_F(SettingsStoreTest, AReadOnlyFolderMakesTheWriteFailAndKeepsTheOldFile) {
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("1")));
    std::filesystem::permissions(
        Folder(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (!PermissionsAreEnforced(Folder(), W_OK)) {
        GTEST_SKIP() << "folder permissions are not enforced for this user";
    }
    EXPECT_FALSE(WriteRegistry(kCurrentUser, kIdPath, Text("2")));
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "1");
    EXPECT_EQ(FolderEntries(Folder()), std::set<std::string>{"user.reg"});
}

TEST_F(SettingsStoreTest, AnUnreadableFileReadsAsEmptyAndIsKept) {
    ASSERT_TRUE(WriteRegistry(kCurrentUser, kIdPath, Text("1")));
    std::filesystem::permissions(UserFile(), std::filesystem::perms::none);
    if (!PermissionsAreEnforced(UserFile(), R_OK)) {
        GTEST_SKIP() << "file permissions are not enforced for this user";
    }
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath, "-"), "-");
    EXPECT_FALSE(WriteRegistry(kCurrentUser, kIdPath, Text("2")));
    std::filesystem::permissions(UserFile(), std::filesystem::perms::owner_read);
    EXPECT_EQ(ReadRegistryText(kCurrentUser, kIdPath), "1");
}

}  // namespace
}  // namespace tavr
