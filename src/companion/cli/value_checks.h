#pragma once

#include <CLI/CLI.hpp>

namespace tavr {

// The validators of the values several commands take, made of the project's own parsers.

// A number of seconds (ParseSeconds): "--every: 0 is not a number of seconds above 0".
CLI::Validator SecondsCheck();

// A duration (ParseDuration): "--for: 10x is not a duration ...".
CLI::Validator DurationCheck();

}  // namespace tavr
