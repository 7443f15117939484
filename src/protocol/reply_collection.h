#pragma once

#include <cstdint>

#include "runtime/types.h"

namespace tavr {

// The collection of reply bytes since the last read request. A reply is recognised by its
// length alone: the 75th byte collected completes it.
struct ReplyCollection {
    // The collected bytes as decimal texts joined by ",".
    Text replyText;
    std::int32_t replyByteCount = 0;
    bool replyComplete = false;
    // Set while the operator edits a register: received bytes are then not collected.
    bool editMode = false;
};

}  // namespace tavr
