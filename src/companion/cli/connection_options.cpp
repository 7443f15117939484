#include "companion/cli/connection_options.h"

#include "companion/cli/command_line.h"
#include "companion/cli/device_id_list.h"
#include "runtime/whole_number.h"

namespace tavr {

namespace {

constexpr char kGroup[] = "Connection";
constexpr int kShortestTimeoutMs = 10;
constexpr int kLongestTimeoutMs = 60'000;
constexpr int kMostRetries = 10;

std::string PortProblem(const std::string& text) {
    if (text.starts_with('/') || ParsePortNumber(text)) {
        return "";
    }
    return text + " is not a COM port number from 1 to 255 or a device path such as /dev/ttyUSB0";
}

std::string BaudProblem(const std::string& text) {
    return ParseBaudRate(text) ? "" : text + " is not one of " + BaudRateList();
}

std::string IdsProblem(const std::string& text, MeterCount meters) {
    std::string problem;
    const auto ids = ParseDeviceIdList(text, problem);
    if (ids && meters == MeterCount::One && ids->size() != 1) {
        return text + " names " + std::to_string(ids->size()) +
               " meters; this command talks to one, give one device ID";
    }
    return problem;
}

CLI::Validator WholeNumberCheck(int low, int high, const std::string& what) {
    return Checked([low, high, what](const std::string& text) {
        return ParseWholeNumber(text, low, high)
                   ? ""
                   : text + " is not " + what + " from " + std::to_string(low) + " to " +
                         std::to_string(high);
    });
}

}  // namespace

ConnectionOptions::ConnectionOptions(CLI::App& app, MeterCount meters,
                                     const std::string& retriesDefault) {
    portOption_ = app.add_option("--port", port_,
                                 "COM port number, or a serial device's path such as "
                                 "/dev/ttyUSB0 or /dev/serial/by-id/... (default: the window's "
                                 "last port)")
                      ->type_name("PORT")
                      ->check(Checked(PortProblem));
    baudOption_ = app.add_option("--baud", baud_,
                                 "baud rate, one of " + BaudRateList() +
                                     " (default: the window's last baud rate)")
                      ->type_name("BAUD")
                      ->check(Checked(BaudProblem));
    idsOption_ =
        app.add_option("--id", ids_,
                       meters == MeterCount::One
                           ? "the meter's device ID, 1..50 (default: the window's last ID)"
                           : "the meters' device IDs, 1..50: 3, or 1,2,5, or 1-4, or 1-4,9; "
                             "polled one after another (default: the window's last ID)")
            ->type_name(meters == MeterCount::One ? "ID" : "LIST")
            ->check(
                Checked([meters](const std::string& text) { return IdsProblem(text, meters); }));
    timeoutOption_ =
        app.add_option("--timeout", timeout_,
                       "how long to wait for each answer, 10 to 60000 ms (default 1000)")
            ->type_name("MS")
            ->check(WholeNumberCheck(kShortestTimeoutMs, kLongestTimeoutMs,
                                     "a number of milliseconds"));
    retriesOption_ = app.add_option("--retries", retries_,
                                    "how often a read without an intact answer is asked again, "
                                    "0 to 10 (default " +
                                        retriesDefault + ")")
                         ->type_name("N")
                         ->check(WholeNumberCheck(0, kMostRetries, "a whole number"));
    for (CLI::Option* option :
         {portOption_, baudOption_, idsOption_, timeoutOption_, retriesOption_}) {
        option->group(kGroup);
    }
}

ConnectionChoice ConnectionOptions::Choose() const {
    ConnectionChoice choice = RememberedConnection();
    if (Given(portOption_)) {
        if (port_.starts_with('/')) {
            choice.devicePath = port_;
        } else {
            choice.port = *ParsePortNumber(port_);
        }
    }
    if (Given(baudOption_)) {
        choice.baud = *ParseBaudRate(baud_);
    }
    if (Given(idsOption_)) {
        std::string problem;
        choice.deviceIds = *ParseDeviceIdList(ids_, problem);
        choice.deviceId = choice.deviceIds.front();
    }
    if (Given(timeoutOption_)) {
        choice.timeout = std::chrono::milliseconds(
            *ParseWholeNumber(timeout_, kShortestTimeoutMs, kLongestTimeoutMs));
    }
    if (Given(retriesOption_)) {
        choice.retries = static_cast<int>(*ParseWholeNumber(retries_, 0, kMostRetries));
    }
    return choice;
}

}  // namespace tavr
