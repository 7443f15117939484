#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "companion/commands/companion.h"
#include "companion/platform/log_priority.h"
#include "companion/platform/output_buffer.h"
#include "companion/plot/run_plot.h"

namespace {

int interruptFd = -1;
int reloadFd = -1;
std::atomic<bool> hangUpReloads{false};

void Signal(int fd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
}

// Ctrl+C, SIGTERM or SIGHUP: wake whatever the companion waits on; it ends at the next step
// with its summary. A command that reads its configuration again on SIGHUP (the gateway under
// systemd's reload) takes the hang-up for that.
void OnInterrupt(int signal) {
    Signal(signal == SIGHUP && hangUpReloads.load() ? reloadFd : interruptFd);
}

void CatchInterrupts() {
    interruptFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    reloadFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

// A standard descriptor that was closed is put on /dev/null, so that no port, log or eventfd
// opened later takes its number and receives what was meant for it. Returns the errno that
// writes to a closed standard output fail with, 0 when it was open.
int GuardStandardDescriptors() {
    int stdoutError = 0;
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            stdoutError = fd == STDOUT_FILENO ? EBADF : stdoutError;
            const int null = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
            if (null >= 0 && null != fd) {
                ::dup2(null, fd);
                ::close(null);
            }
        }
    }
    return stdoutError;
}

}  // namespace

int main(int argc, char** argv) {
    const int stdoutError = GuardStandardDescriptors();
    CatchInterrupts();
    tavr::OutputBuffer outBuffer(STDOUT_FILENO, stdoutError, interruptFd);
    std::ostream out(&outBuffer);
    // On a terminal, output and messages on standard error appear in the order written.
    if (::isatty(STDOUT_FILENO) == 1) {
        out.setf(std::ios::unitbuf);
    }
    tavr::Console console{out,
                          std::cerr,
                          ::isatty(STDERR_FILENO) == 1,
                          tavr::IsJournalStream(STDERR_FILENO, std::getenv("JOURNAL_STREAM")),
                          interruptFd,
                          reloadFd,
                          &hangUpReloads,
                          &outBuffer};
    const int exitCode = tavr::RunCompanion(std::vector<std::string>(argv + 1, argv + argc),
                                            console, tavr::DrawRunPlot);
    return tavr::FinishStandardOutput(out, outBuffer, std::cerr, exitCode);
}
