#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tavr {

// The companion's console on Windows, for as long as the object lives: output in UTF-8 (the
// companion's texts are UTF-8), standard output and error written byte for byte as on Linux (no
// "\n" to "\r\n" translation), and, when standard error is a console that understands escape
// sequences, the live status line there. Everything it changes is put back when it goes, so the
// console the operator typed into is left as it was.
class ConsoleSession {
  public:
    ConsoleSession();
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    // Standard error is a console that redraws a line on "\r\033[K".
    bool StatusLine() const { return statusLine_; }

  private:
    UINT outputCodePage_ = 0;
    HANDLE errorConsole_ = nullptr;
    DWORD errorMode_ = 0;
    bool statusLine_ = false;
    int outputMode_ = -1;
    int errorStreamMode_ = -1;
};

// The command line's arguments after the program name, in UTF-8; nothing when one is not valid
// UTF-16 (a lone surrogate), which no text conversion could carry over faithfully.
std::optional<std::vector<std::string>> Utf8Arguments(int argc, wchar_t** argv);

}  // namespace tavr
