#include "companion/publish/broker_addresses.h"

#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "serial/posix/unique_fd.h"

namespace tavr {

namespace {

// Shared by the waiting caller and the lookup's thread, which may outlive the wait.
struct Lookup {
    std::mutex mutex;
    BrokerAddresses result;
    UniqueFd done{eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
};

BrokerAddresses Resolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int code = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (code != 0) {
        return {{}, gai_strerror(code)};
    }
    BrokerAddresses addresses;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        std::array<char, NI_MAXHOST> text{};
        if (getnameinfo(entry->ai_addr, entry->ai_addrlen, text.data(), text.size(), nullptr, 0,
                        NI_NUMERICHOST) != 0) {
            continue;
        }
        const std::string numeric(text.data());
        if (std::find(addresses.numeric.begin(), addresses.numeric.end(), numeric) ==
            addresses.numeric.end()) {
            addresses.numeric.push_back(numeric);
        }
    }
    freeaddrinfo(found);
    if (addresses.numeric.empty()) {
        addresses.error = "the name has no address";
    }
    return addresses;
}

}  // namespace

BrokerAddresses LookUpBrokerAddresses(const std::string& host, std::chrono::milliseconds limit,
                                      int stopFd) {
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host] {
        BrokerAddresses result = Resolve(host);
        const std::lock_guard lock(lookup->mutex);
        lookup->result = std::move(result);
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(lookup->done.Get(), &one, sizeof one);
    }).detach();

    std::array<pollfd, 2> watched{{{lookup->done.Get(), POLLIN, 0}, {stopFd, POLLIN, 0}}};
    const int ready = poll(watched.data(), stopFd >= 0 ? 2 : 1, static_cast<int>(limit.count()));
    if (ready > 0 && watched[1].revents != 0) {
        return {{}, "stopped while looking the name up"};
    }
    if (ready > 0) {
        const std::lock_guard lock(lookup->mutex);
        return lookup->result;
    }
    return {
        {},
        "no answer from the name service within " + std::to_string(limit.count() / 1000) + " s"};
}

}  // namespace tavr
