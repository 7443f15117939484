#include "companion/platform/win32/console_session.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>

namespace tavr {
namespace {

TEST(Utf8Arguments, CarriesEveryArgumentAfterTheProgramNameOverAsUtf8) {
    wchar_t program[] = L"tavr-12864-cli.exe";
    wchar_t command[] = L"write";
    wchar_t address[] = L"0x0009";
    wchar_t remark[] = L"温度℃";
    wchar_t empty[] = L"";
    wchar_t* argv[] = {program, command, address, remark, empty};
    const std::vector<std::string> expected = {"write", "0x0009", "温度℃", ""};
    EXPECT_EQ(Utf8Arguments(5, argv), expected);
    EXPECT_EQ(Utf8Arguments(1, argv), std::vector<std::string>{});
}

TEST(Utf8Arguments, RefusesAnArgumentThatIsNotValidText) {
    wchar_t program[] = L"tavr-12864-cli.exe";
    wchar_t fine[] = L"read";
    wchar_t loneSurrogate[] = {L'a', static_cast<wchar_t>(0xD800), L'\0'};
    wchar_t* argv[] = {program, fine, loneSurrogate};
    EXPECT_EQ(Utf8Arguments(3, argv), std::nullopt);
}

// The translation mode of a C stream, left as it was found.
int StreamMode(FILE* stream) {
    const int mode = ::_setmode(::_fileno(stream), _O_BINARY);
    ::_setmode(::_fileno(stream), mode);
    return mode;
}

// A console of the test program's own, with standard error on it or on a pipe.
class ConsoleSessionTest : public testing::Test {
  protected:
    static constexpr UINT kOperatorsCodePage = 936;  // GBK, a Chinese Windows' console default

    // The console wine starts a console program with has no code page to set.
    static void SetUpTestSuite() {
        ::FreeConsole();
        ASSERT_TRUE(::AllocConsole());
    }

    void SetUp() override {
        ASSERT_TRUE(::SetConsoleOutputCP(kOperatorsCodePage));
        error_ = ::GetStdHandle(STD_ERROR_HANDLE);
    }

    void TearDown() override {
        ::SetStdHandle(STD_ERROR_HANDLE, error_);
        if (console_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(console_);
        }
    }

    // Standard error on the console screen, in the given mode.
    void ErrorOnConsole(DWORD mode) {
        console_ = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(console_, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(::SetConsoleMode(console_, mode));
        ASSERT_TRUE(::SetStdHandle(STD_ERROR_HANDLE, console_));
    }

    HANDLE error_ = nullptr;
    HANDLE console_ = INVALID_HANDLE_VALUE;
};

TEST_F(ConsoleSessionTest, WritesUtf8ByteForByteAndPutsTheConsoleBack) {
    const int outputMode = StreamMode(stdout);
    const int errorMode = StreamMode(stderr);
    {
        ConsoleSession session;
        EXPECT_EQ(::GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
        EXPECT_EQ(StreamMode(stdout), _O_BINARY);
        EXPECT_EQ(StreamMode(stderr), _O_BINARY);
    }
    EXPECT_EQ(::GetConsoleOutputCP(), kOperatorsCodePage);
    EXPECT_EQ(StreamMode(stdout), outputMode);
    EXPECT_EQ(StreamMode(stderr), errorMode);
}

TEST_F(ConsoleSessionTest, AStatusLineOnlyOnAConsoleThatTakesEscapeSequences) {
    const DWORD before = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
    ErrorOnConsole(before);
    {
        ConsoleSession session;
        DWORD during = 0;
        ASSERT_TRUE(::GetConsoleMode(console_, &during));
        EXPECT_EQ(session.StatusLine(), (during & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0);
    }
    DWORD after = 0;
    ASSERT_TRUE(::GetConsoleMode(console_, &after));
    EXPECT_EQ(after, before);
}

TEST_F(ConsoleSessionTest, NoStatusLineWhenStandardErrorIsAPipe) {
    HANDLE reader = nullptr;
    HANDLE writer = nullptr;
    ASSERT_TRUE(::CreatePipe(&reader, &writer, nullptr, 0));
    ASSERT_TRUE(::SetStdHandle(STD_ERROR_HANDLE, writer));
    {
        ConsoleSession session;
        EXPECT_FALSE(session.StatusLine());
    }
    ::CloseHandle(reader);
    ::CloseHandle(writer);
}

}  // namespace
}  // namespace tavr
