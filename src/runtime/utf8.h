#pragma once

#include <cstddef>
#include <string_view>

namespace tavr {

// Number of bytes the UTF-8 lead byte `lead` announces for its character: 2 to 4 for a lead
// byte of a multi-byte character, 1 for an ASCII byte and for any byte that cannot start a
// character (a stray continuation byte or an invalid byte).
std::size_t Utf8AnnouncedLength(unsigned char lead);

// Number of bytes of the character that starts at `position` of `text`: the lead byte and the
// continuation bytes that follow it, at most as many as the lead byte announces. A character cut
// short (by the end of the text or by a byte that does not continue it) is shorter than
// announced, so a walk never swallows a byte that is not part of the character.
std::size_t Utf8CharacterLength(std::string_view text, std::size_t position);

}  // namespace tavr
