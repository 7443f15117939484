#pragma once

#include <string>

namespace tavr {

// Whether `text` can lead a gateway's topics: one or more levels without the wildcards '+' and
// '#', not starting or ending with '/' and without an empty level ("tavr12864", "site/a").
bool IsTopicPrefix(const std::string& text);

}  // namespace tavr
