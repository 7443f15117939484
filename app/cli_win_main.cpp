#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "companion/commands/companion.h"
#include "companion/platform/exit_status.h"
#include "companion/platform/output_buffer.h"
#include "companion/platform/win32/console_interrupt.h"
#include "companion/platform/win32/console_session.h"
#include "companion/plot/run_plot.h"

namespace {

// Runs the command in a console session: UTF-8 and byte-for-byte standard output and error.
// Everything for standard output is handed to it before the session puts the console's modes
// back; closing it comes after, once the descriptor's modes are as they were.
int RunInConsoleSession(const std::vector<std::string>& arguments, std::ostream& out,
                        tavr::OutputBuffer& outBuffer, tavr::InterruptHandle interrupt) {
    const tavr::ConsoleSession session;
    tavr::Console console{out,     std::cerr, session.StatusLine(),
                          false,   interrupt, tavr::kNoInterrupt,
                          nullptr, &outBuffer};
    const int exitCode = tavr::RunCompanion(arguments, console, tavr::DrawRunPlot);
    out.flush();
    std::cerr.flush();
    return exitCode;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Ctrl+C, Ctrl+Break and closing the console signal the event: a running command ends with
    // its summary.
    const tavr::ConsoleInterrupt interrupt;
    const auto interruptHandle =
        reinterpret_cast<tavr::InterruptHandle>(tavr::ConsoleInterrupt::Event());
    const std::optional<std::vector<std::string>> arguments = tavr::Utf8Arguments(argc, argv);
    if (!arguments) {
        std::cerr << "tavr-12864-cli: an argument is not valid text (a lone UTF-16 surrogate)\n";
        return tavr::ExitCode(tavr::ExitStatus::BadUsage);
    }
    const int stdoutFd = ::_fileno(stdout);
    tavr::OutputBuffer outBuffer(stdoutFd, 0, interruptHandle);
    std::ostream out(&outBuffer);
    // On a console, output and messages on standard error appear in the order written.
    if (::_isatty(stdoutFd) != 0) {
        out.setf(std::ios::unitbuf);
    }
    const int exitCode = RunInConsoleSession(*arguments, out, outBuffer, interruptHandle);
    return tavr::FinishStandardOutput(out, outBuffer, std::cerr, exitCode);
}
