#pragma once

#include "runtime/types.h"

namespace tavr {

// Shows the text of a fatal program error in an error message box with no owner window.
void ShowWin32FatalErrorBox(const Text& message);

// Makes the box the handler of every later fatal error.
void InstallWin32FatalErrorBox();

}  // namespace tavr
