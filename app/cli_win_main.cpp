#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "companion/companion.h"
#include "companion/exit_status.h"
#include "companion/output_buffer.h"
#include "companion/plot/run_plot.h"
#include "companion/win32/console_interrupt.h"
#include "companion/win32/console_session.h"

int wmain(int argc, wchar_t** argv) {
    // UTF-8 and byte-for-byte standard output and error for the whole run, put back at the end.
    const tavr::ConsoleSession session;
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
    tavr::Console console{out, std::cerr, session.StatusLine(), interruptHandle, &outBuffer};
    const int exitCode = tavr::RunCompanion(*arguments, console, tavr::DrawRunPlot);
    return tavr::FinishStandardOutput(out, outBuffer, std::cerr, exitCode);
}
