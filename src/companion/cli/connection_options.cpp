#include "companion/cli/connection_options.h"

#include <charconv>

#include "companion/cli/device_id_list.h"

namespace tavr {

namespace {

constexpr int kShortestTimeoutMs = 10;
constexpr int kLongestTimeoutMs = 60'000;
constexpr int kMostRetries = 10;

std::optional<int> ParseWholeWithin(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || failure != std::errc() || end != text.data() + text.size() || value < low ||
        value > high) {
        return std::nullopt;
    }
    return value;
}

bool ChoosePort(const std::string& text, ConnectionChoice& choice, std::string& error) {
    if (text.starts_with('/')) {
        choice.devicePath = text;
        return true;
    }
    const auto number = ParsePortNumber(text);
    if (!number) {
        error = "--port: " + text +
                " is not a COM port number from 1 to 255 or a device path such as /dev/ttyUSB0";
        return false;
    }
    choice.port = *number;
    return true;
}

bool ChooseDeviceIds(const std::string& text, MeterCount meters, ConnectionChoice& choice,
                     std::string& error) {
    std::string problem;
    const auto ids = ParseDeviceIdList(text, problem);
    if (!ids) {
        error = "--id: " + problem;
        return false;
    }
    if (meters == MeterCount::One && ids->size() != 1) {
        error = "--id: " + text + " names " + std::to_string(ids->size()) +
                " meters; this command talks to one, give one device ID";
        return false;
    }
    choice.deviceIds = *ids;
    choice.deviceId = ids->front();
    return true;
}

}  // namespace

std::set<std::string, std::less<>> WithConnectionOptions(std::set<std::string, std::less<>> own) {
    own.insert({"--port", "--baud", "--id", "--timeout", "--retries"});
    return own;
}

std::string ConnectionOptionsHelp(MeterCount meters, const std::string& retriesDefault) {
    const std::string ids =
        meters == MeterCount::One
            ? "  --id ID        the meter's device ID, 1..50 (default: the window's last ID)\n"
            : "  --id LIST      the meters' device IDs, 1..50: 3, or 1,2,5, or 1-4, or 1-4,9;\n"
              "                 polled one after another (default: the window's last ID)\n";
    return "  --port P       COM port number, or a serial device's path such as /dev/ttyUSB0\n"
           "                 or /dev/serial/by-id/... (default: the window's last port)\n"
           "  --baud B       baud rate, one of " +
           BaudRateList() +
           "\n"
           "                 (default: the window's last baud rate)\n" +
           ids +
           "  --timeout MS   how long to wait for each answer, 10 to 60000 ms (default 1000)\n"
           "  --retries N    how often a read without an intact answer is asked again, 0 to 10\n"
           "                 (default " +
           retriesDefault + ")\n";
}

std::optional<ConnectionChoice> ChooseConnection(const CommandArguments& arguments,
                                                 MeterCount meters, std::string& error) {
    ConnectionChoice choice = RememberedConnection();
    if (const auto port = arguments.Option("--port"); port && !ChoosePort(*port, choice, error)) {
        return std::nullopt;
    }
    if (const auto baud = arguments.Option("--baud")) {
        const auto rate = ParseBaudRate(*baud);
        if (!rate) {
            error = "--baud: " + *baud + " is not one of " + BaudRateList();
            return std::nullopt;
        }
        choice.baud = *rate;
    }
    if (const auto id = arguments.Option("--id");
        id && !ChooseDeviceIds(*id, meters, choice, error)) {
        return std::nullopt;
    }
    if (const auto timeout = arguments.Option("--timeout")) {
        const auto ms = ParseWholeWithin(*timeout, kShortestTimeoutMs, kLongestTimeoutMs);
        if (!ms) {
            error = "--timeout: " + *timeout + " is not a number of milliseconds from " +
                    std::to_string(kShortestTimeoutMs) + " to " + std::to_string(kLongestTimeoutMs);
            return std::nullopt;
        }
        choice.timeout = std::chrono::milliseconds(*ms);
    }
    if (const auto retries = arguments.Option("--retries")) {
        const auto count = ParseWholeWithin(*retries, 0, kMostRetries);
        if (!count) {
            error = "--retries: " + *retries + " is not a whole number from 0 to " +
                    std::to_string(kMostRetries);
            return std::nullopt;
        }
        choice.retries = *count;
    }
    return choice;
}

}  // namespace tavr
