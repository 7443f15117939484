#pragma once

#include <cstdio>
#include <cstdlib>

namespace tavr {

// Ends the run when a rule of the code under test is broken, naming the rule, so that libFuzzer
// (or the replay driver under CTest) reports the input as a finding.
inline void Require(bool holds, const char* rule) {
    if (!holds) {
        std::fprintf(stderr, "broken rule: %s\n", rule);
        std::abort();
    }
}

}  // namespace tavr
