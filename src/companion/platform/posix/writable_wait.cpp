#include "companion/platform/writable_wait.h"

#include <poll.h>

#include <cerrno>

namespace tavr {

bool WaitUntilWritable(int fd, InterruptHandle interrupt) {
    if (interrupt == kNoInterrupt) {
        return true;
    }
    pollfd entries[2] = {{fd, POLLOUT, 0}, {static_cast<int>(interrupt), POLLIN, 0}};
    while (true) {
        const int ready = ::poll(entries, 2, -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        // An error on the descriptor is met by the write that follows.
        if (ready < 0 || entries[0].revents != 0) {
            return true;
        }
        if ((entries[1].revents & POLLIN) != 0) {
            return false;
        }
    }
}

}  // namespace tavr
