#pragma once

#include <array>
#include <cstdint>

#include "protocol/frame_codec.h"

namespace tavr {

// The collection of reply bytes since the last read request. A reply ends by its length: the
// 75th byte collected completes it, and only then is its content looked at.
struct ReplyCollection {
    // The bytes collected so far; the first replyByteCount of them belong to the reply being
    // collected, all 75 once replyComplete is set.
    std::array<std::uint8_t, ReadReplyLength> replyBytes{};
    std::int32_t replyByteCount = 0;
    bool replyComplete = false;
    // Set while the operator edits a register: received bytes are then not collected.
    bool editMode = false;
};

}  // namespace tavr
