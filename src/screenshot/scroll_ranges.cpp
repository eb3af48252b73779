#include "scroll_ranges.h"

#include <algorithm>

namespace corvantile {

int scrollMaximum(int innerOuter, int viewportInner, int innerBorder)
{
    const long long maximum = static_cast<long long>(innerOuter) - viewportInner - innerBorder + 1;
    return static_cast<int>(std::clamp<long long>(maximum, -32768, 32767));
}

int barMaximum(int maximum)
{
    return std::max(0, maximum);
}

int largestScrollableSide(int viewportOuter, int viewBorders)
{
    return 32767 + viewportOuter - 3 - viewBorders;
}

} // namespace corvantile
