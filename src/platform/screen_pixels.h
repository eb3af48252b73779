#pragma once

#include <QtGlobal>
#include <cmath>

namespace corvantile {

// Whole screen pixels at or after, and at or before, a position in screen pixels. A position
// found by dividing by the screen's scale and multiplying again can lie a rounding error short
// of the whole pixel it stands for, which these forgive.
constexpr qreal screenPixelTolerance = 1.0 / 1024;

inline int wholeAtOrAfter(qreal v)
{
    return static_cast<int>(std::ceil(v - screenPixelTolerance));
}

inline int wholeAtOrBefore(qreal v)
{
    return static_cast<int>(std::floor(v + screenPixelTolerance));
}

} // namespace corvantile
