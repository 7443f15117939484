#include "companion/platform/writable_wait.h"

#include <windows.h>

namespace tavr {

// Windows cannot wait for a pipe to take more without writing; when the interruption has come
// already, the write is not begun.
bool WaitUntilWritable(int, InterruptHandle interrupt) {
    return interrupt == kNoInterrupt ||
           ::WaitForSingleObject(reinterpret_cast<HANDLE>(interrupt), 0) != WAIT_OBJECT_0;
}

}  // namespace tavr
