#pragma once

namespace tavr {

// What the command-line companion tells its caller through its exit code.
enum class ExitStatus : int {
    Done = 0,
    NoAnswer = 1,           // the meter gave no valid answer
    BadUsage = 2,           // a bad command line or bad input; nothing was sent
    PortUnavailable = 3,    // the port could not be opened
    BrokerUnavailable = 4,  // the MQTT broker refused the login, TLS failed or it was never reached
    OutputFailed = 5,       // the output (standard output or the log) could not be written
};

inline int ExitCode(ExitStatus status) {
    return static_cast<int>(status);
}

}  // namespace tavr
