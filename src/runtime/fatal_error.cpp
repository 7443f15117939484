#include "runtime/fatal_error.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace tavr {

namespace {

std::mutex handler_mutex;
FatalErrorHandler installed_handler;

void WriteToStandardError(const Text& message) {
    std::fwrite(message.data(), 1, message.size(), stderr);
    std::fflush(stderr);
}

FatalErrorHandler CurrentHandler() {
    const std::lock_guard lock(handler_mutex);
    return installed_handler;
}

}  // namespace

void SetFatalErrorHandler(FatalErrorHandler handler) {
    const std::lock_guard lock(handler_mutex);
    installed_handler = std::move(handler);
}

Text FatalErrorText(std::string_view detail) {
    Text text = "运行时出错!\n\n错误信息：";
    text += detail;
    text += '\n';
    return text;
}

void RaiseFatalError(std::string_view detail) {
    const Text message = FatalErrorText(detail);
    const FatalErrorHandler handler = CurrentHandler();
    try {
        if (handler) {
            handler(message);
        } else {
            WriteToStandardError(message);
        }
    } catch (...) {
        // A failing handler must not keep the process alive: fall back to standard error.
        WriteToStandardError(message);
    }
    std::exit(-1);
}

}  // namespace tavr
