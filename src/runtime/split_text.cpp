#include "runtime/split_text.h"

#include "runtime/utf8.h"

namespace tavr {

TextArray SplitText(std::string_view text, std::optional<std::string_view> delimiter,
                    std::optional<std::int32_t> maximum) {
    const std::string_view separator = delimiter.value_or(",");
    const bool limited = maximum.has_value();
    const std::int32_t limit = limited && *maximum < 0 ? 0 : maximum.value_or(0);

    TextArray pieces;
    if (text.empty() || (limited && limit == 0)) {
        return pieces;
    }
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }

    std::size_t piece_start = 0;
    std::size_t position = 0;
    while (text.size() - position >= separator.size()) {
        if (text.substr(position, separator.size()) == separator) {
            pieces.emplace_back(text.substr(piece_start, position - piece_start));
            position += separator.size();
            piece_start = position;
            // Once the limit is reached the rest of the text is dropped.
            if (limited && static_cast<std::int64_t>(pieces.size()) == limit) {
                return pieces;
            }
        } else {
            position += Utf8CharacterLength(text, position);
        }
    }
    if (piece_start < text.size()) {
        pieces.emplace_back(text.substr(piece_start));
    }
    return pieces;
}

}  // namespace tavr
