#pragma once

#include <stdexcept>
#include <string>

namespace tavr {

// Stops a benchmark with a message when a step that must work does not; its main() reports it.
inline void Require(bool condition, const std::string& what) {
    if (!condition) {
        throw std::runtime_error(what);
    }
}

}  // namespace tavr
