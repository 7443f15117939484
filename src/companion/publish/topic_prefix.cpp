#include "companion/publish/topic_prefix.h"

namespace tavr {

bool IsTopicPrefix(const std::string& text) {
    return !text.empty() && text.find_first_of("+#") == std::string::npos && text.front() != '/' &&
           text.back() != '/' && text.find("//") == std::string::npos;
}

}  // namespace tavr
