#include "companion/platform/win32/console_session.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "runtime/win32/wide_text.h"

namespace tavr {

namespace {

// The console behind a standard handle and its mode; nothing when the handle is a file or a
// pipe.
std::optional<DWORD> ConsoleMode(HANDLE handle) {
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode)) {
        return std::nullopt;
    }
    return mode;
}

}  // namespace

ConsoleSession::ConsoleSession() {
    outputCodePage_ = ::GetConsoleOutputCP();
    if (outputCodePage_ != 0) {
        ::SetConsoleOutputCP(CP_UTF8);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    outputMode_ = ::_setmode(::_fileno(stdout), _O_BINARY);
    errorStreamMode_ = ::_setmode(::_fileno(stderr), _O_BINARY);
    HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (const std::optional<DWORD> mode = ConsoleMode(error)) {
        errorConsole_ = error;
        errorMode_ = *mode;
        // Consoles before Windows 10 refuse escape sequences: no status line there.
        statusLine_ = ::SetConsoleMode(error, *mode | ENABLE_PROCESSED_OUTPUT |
                                                  ENABLE_VIRTUAL_TERMINAL_PROCESSING) != FALSE;
    }
}

ConsoleSession::~ConsoleSession() {
    std::fflush(stdout);
    std::fflush(stderr);
    if (errorConsole_ != nullptr) {
        ::SetConsoleMode(errorConsole_, errorMode_);
    }
    if (errorStreamMode_ != -1) {
        ::_setmode(::_fileno(stderr), errorStreamMode_);
    }
    if (outputMode_ != -1) {
        ::_setmode(::_fileno(stdout), outputMode_);
    }
    if (outputCodePage_ != 0) {
        ::SetConsoleOutputCP(outputCodePage_);
    }
}

std::optional<std::vector<std::string>> Utf8Arguments(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int index = 1; index < argc; ++index) {
        std::optional<std::string> argument = Utf8FromWide(argv[index]);
        if (!argument) {
            return std::nullopt;
        }
        arguments.push_back(std::move(*argument));
    }
    return arguments;
}

}  // namespace tavr
