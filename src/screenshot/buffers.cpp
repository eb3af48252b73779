#include "buffers.h"

#include <algorithm>
#include <limits>

namespace corvantile {

std::int16_t raisedBufferIndex(std::int16_t index)
{
    if (index == std::numeric_limits<std::int16_t>::max())
        return index;
    return static_cast<std::int16_t>(index + 1);
}

std::int16_t loweredBufferIndex(std::int16_t index)
{
    return static_cast<std::int16_t>(std::max(-1, index - 1));
}

} // namespace corvantile
