#pragma once

#include "runtime/types.h"

namespace tavr {

// Shows the text of a fatal program error in a message box with the critical-error icon and
// returns once the operator has closed it. Window thread only.
void ShowFatalErrorBox(const Text& message);

// Makes every later fatal program error show through ShowFatalErrorBox (the runtime then ends
// the process with exit code -1).
void InstallFatalErrorBox();

}  // namespace tavr
