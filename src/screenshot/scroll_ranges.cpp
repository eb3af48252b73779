#include "scroll_ranges.h"

#include <algorithm>

namespace corvantile {

int scrollMaximum(int innerOuter, int viewportOuter)
{
    const long long maximum = static_cast<long long>(innerOuter) - viewportOuter + 3;
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
