#pragma once

#include <windows.h>

namespace tavr {

// Ctrl+C, Ctrl+Break and the console window being closed, turned into an event that the
// companion's waits include: a running sub-command then ends at its next step with its summary,
// where Windows' default handling would end the process on the spot. While an object lives it
// handles these events for the whole process; make one at a time.
class ConsoleInterrupt {
  public:
    // How long closing the console window, logging off or shutting down waits for the program
    // to finish before Windows may go on ending it (Windows itself waits about 5 s).
    static constexpr DWORD kCloseGraceMs = 4000;

    // Starts handling the console's events; the event starts unsignalled.
    ConsoleInterrupt();
    // Stops handling them and releases a close that waits for the program to finish.
    ~ConsoleInterrupt();
    ConsoleInterrupt(const ConsoleInterrupt&) = delete;
    ConsoleInterrupt& operator=(const ConsoleInterrupt&) = delete;

    // False when Windows refused the handler: the events keep their default handling.
    bool Installed() const { return installed_; }

    // A manual-reset event, signalled from the first interruption on. Valid for the whole run.
    static HANDLE Event();

    // What the handler does with a console event, on the thread Windows runs it on: signals the
    // event and takes Ctrl+C and Ctrl+Break (TRUE); for a close, log-off or shut-down it also
    // waits, at most kCloseGraceMs, until the object is gone. Public because a test cannot make
    // a console window close.
    static BOOL WINAPI HandleControlEvent(DWORD event);

  private:
    bool installed_ = false;
};

}  // namespace tavr
