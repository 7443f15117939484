#include "companion/platform/log_priority.h"

namespace tavr {

std::string PriorityPrefix(LogPriority priority, bool journal) {
    if (!journal) {
        return "";
    }
    return "<" + std::to_string(static_cast<int>(priority)) + ">";
}

}  // namespace tavr
