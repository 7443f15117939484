#pragma once

#include <QString>

#include "runtime/types.h"

namespace tavr {

// A caption as shown. The layout sets controls into runs of blanks in captions, measured with
// the fonts of Chinese systems, where a blank is half as wide as a Chinese character; shown with
// the en space (half an em) instead, the blanks keep that width whatever the font, and the
// controls cover them as laid out. The caption itself (the control's property) is unchanged.
QString ToShownCaption(const Text& caption);

}  // namespace tavr
