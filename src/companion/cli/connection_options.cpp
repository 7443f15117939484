#include "companion/cli/connection_options.h"

#include "companion/cli/command_line.h"

namespace tavr {

namespace {

constexpr char kGroup[] = "Connection";

std::optional<std::string> ValueOf(const CLI::Option* option, const std::string& value) {
    return Given(option) ? std::optional(value) : std::nullopt;
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
            ->check(Checked([meters](const std::string& text) {
                return IdsProblem(text, meters == MeterCount::One);
            }));
    timeoutOption_ =
        app.add_option("--timeout", timeout_,
                       "how long to wait for each answer, 10 to 60000 ms (default 1000)")
            ->type_name("MS")
            ->check(Checked(TimeoutProblem));
    retriesOption_ = app.add_option("--retries", retries_,
                                    "how often a read without an intact answer is asked again, "
                                    "0 to 10 (default " +
                                        retriesDefault + ")")
                         ->type_name("N")
                         ->check(Checked(RetriesProblem));
    for (CLI::Option* option :
         {portOption_, baudOption_, idsOption_, timeoutOption_, retriesOption_}) {
        option->group(kGroup);
    }
}

ConnectionChoice ConnectionOptions::Choose() const {
    return Values().AppliedTo(RememberedConnection());
}

ConnectionValues ConnectionOptions::Values() const {
    return {ValueOf(portOption_, port_), ValueOf(baudOption_, baud_), ValueOf(idsOption_, ids_),
            ValueOf(timeoutOption_, timeout_), ValueOf(retriesOption_, retries_)};
}

}  // namespace tavr
