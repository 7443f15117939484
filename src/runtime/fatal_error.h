#pragma once

#include <functional>
#include <string_view>

#include "runtime/types.h"

namespace tavr {

// Shows the text of a fatal program error to the operator. The window layer installs one that
// shows a message box; it may return, the process ends afterwards anyway.
using FatalErrorHandler = std::function<void(const Text& message)>;

// Installs `handler` for every later fatal error. An empty handler restores the default, which
// writes the text to standard error.
void SetFatalErrorHandler(FatalErrorHandler handler);

// The text shown for a fatal error whose error information is `detail`.
Text FatalErrorText(std::string_view detail);

// Shows the fatal error text for `detail` through the installed handler, then ends the process
// with exit code -1.
[[noreturn]] void RaiseFatalError(std::string_view detail);

}  // namespace tavr
