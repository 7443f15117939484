#pragma once

#include <Qt>

#include "framework/alignment.h"

namespace tavr {

// A horizontal alignment as Qt's, with the text centred vertically.
inline Qt::Alignment ToQtAlignment(Alignment alignment) {
    switch (alignment) {
        case Alignment::Centre:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        case Alignment::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case Alignment::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace tavr
