#include "companion/platform/win32/console_interrupt.h"

namespace tavr {

namespace {

// The handler may run on Windows' thread while the object goes away, so the events it touches
// live as long as the process, as the handler's registration does.
struct ProcessEvents {
    HANDLE interrupted = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE finished = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
};

ProcessEvents& Events() {
    static ProcessEvents events;
    return events;
}

bool EndsTheProcess(DWORD event) {
    return event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
}

}  // namespace

ConsoleInterrupt::ConsoleInterrupt() {
    ::ResetEvent(Events().interrupted);
    ::ResetEvent(Events().finished);
    installed_ = ::SetConsoleCtrlHandler(HandleControlEvent, TRUE) != FALSE;
}

ConsoleInterrupt::~ConsoleInterrupt() {
    if (installed_) {
        ::SetConsoleCtrlHandler(HandleControlEvent, FALSE);
    }
    ::SetEvent(Events().finished);
}

HANDLE ConsoleInterrupt::Event() {
    return Events().interrupted;
}

BOOL WINAPI ConsoleInterrupt::HandleControlEvent(DWORD event) {
    ::SetEvent(Events().interrupted);
    if (EndsTheProcess(event)) {
        // Windows ends the process once this returns: give the run its time to finish.
        ::WaitForSingleObject(Events().finished, kCloseGraceMs);
    }
    return TRUE;
}

}  // namespace tavr
