#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace tavr {

// What a broker's host name stands for: its addresses as numeric texts in the resolver's order,
// or why there are none.
struct BrokerAddresses {
    std::vector<std::string> numeric;
    std::string error;
};

// Looks `host` up for a TCP connection with the system's resolver, waiting at most `limit` and
// no longer than `stopFd` (when not negative) stays unreadable. A lookup that outlasts the wait
// is left to end on its own thread, so a slow name server never holds up the caller.
BrokerAddresses LookUpBrokerAddresses(const std::string& host, std::chrono::milliseconds limit,
                                      int stopFd);

}  // namespace tavr
