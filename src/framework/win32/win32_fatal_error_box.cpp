#include "framework/win32/win32_fatal_error_box.h"

#include <windows.h>

#include "framework/win32/win32_text.h"
#include "runtime/fatal_error.h"

namespace tavr {

void ShowWin32FatalErrorBox(const Text& message) {
    MessageBoxW(nullptr, ToWide(message).c_str(), L"", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void InstallWin32FatalErrorBox() {
    SetFatalErrorHandler(ShowWin32FatalErrorBox);
}

}  // namespace tavr
