#include "companion/connection_options.h"

namespace tavr {

std::string ConnectionOptionsHelp() {
    return "  --port N     COM port number (default: the window's last port)\n"
           "  --baud B     baud rate, one of " +
           BaudRateList() +
           "\n"
           "               (default: the window's last baud rate)\n"
           "  --id ID      the meter's device ID, 1..247 (default: the window's last ID)\n";
}

std::optional<ConnectionChoice> ChooseConnection(const CommandArguments& arguments,
                                                 std::string& error) {
    ConnectionChoice choice = RememberedConnection();
    if (const auto port = arguments.Option("--port")) {
        const auto number = ParsePortNumber(*port);
        if (!number) {
            error = "--port: " + *port + " is not a COM port number from 1 to 255";
            return std::nullopt;
        }
        choice.port = *number;
    }
    if (const auto baud = arguments.Option("--baud")) {
        const auto rate = ParseBaudRate(*baud);
        if (!rate) {
            error = "--baud: " + *baud + " is not one of " + BaudRateList();
            return std::nullopt;
        }
        choice.baud = *rate;
    }
    if (const auto id = arguments.Option("--id")) {
        const auto deviceId = ParseDeviceId(*id);
        if (!deviceId) {
            error = "--id: " + *id + " is not a device ID from 1 to 247";
            return std::nullopt;
        }
        choice.deviceId = *deviceId;
    }
    return choice;
}

}  // namespace tavr
