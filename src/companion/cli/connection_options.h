#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "companion/cli/connection_values.h"
#include "companion/meter/connection_choice.h"

namespace tavr {

// How many meters a sub-command talks to.
enum class MeterCount { One, Several };

// The options of a sub-command that talks to the meter, in their own help group "Connection":
// --port, --baud, --id, --timeout and --retries, each checked by its validator.
class ConnectionOptions {
  public:
    // `retriesDefault` describes the default of --retries in the help.
    ConnectionOptions(CLI::App& app, MeterCount meters, const std::string& retriesDefault = "2");

    // The connection the options choose, each option not given taken from the window's last
    // connection.
    ConnectionChoice Choose() const;

    // The options given, for a connection chosen elsewhere (a configuration file's line).
    ConnectionValues Values() const;

    // Whether --retries was given: a command may have its own default.
    bool RetriesGiven() const { return retriesOption_->count() > 0; }

  private:
    std::string port_;
    std::string baud_;
    std::string ids_;
    std::string timeout_;
    std::string retries_;
    CLI::Option* portOption_ = nullptr;
    CLI::Option* baudOption_ = nullptr;
    CLI::Option* idsOption_ = nullptr;
    CLI::Option* timeoutOption_ = nullptr;
    CLI::Option* retriesOption_ = nullptr;
};

}  // namespace tavr
