#include <sys/eventfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "companion/companion.h"
#include "companion/plot/run_plot.h"

namespace {

int interruptFd = -1;

// Ctrl+C: wake whatever the companion waits on; it ends at the next step with its summary.
void OnInterrupt(int) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(interruptFd, &one, sizeof one);
}

void CatchInterrupts() {
    interruptFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    CatchInterrupts();
    tavr::Console console{std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1, interruptFd};
    return tavr::RunCompanion(std::vector<std::string>(argv + 1, argv + argc), console,
                              tavr::DrawRunPlot);
}
