#pragma once

#include <cstdint>

namespace corvantile {

constexpr int bufferSlotCount = 8;

// The counter of the last filled image buffer after one more bitmap paste. It has no upper
// bound of its own; it only stops where 16 bits end.
std::int16_t raisedBufferIndex(std::int16_t index);

// The counter after a deletion: one lower, never below -1.
std::int16_t loweredBufferIndex(std::int16_t index);

// Whether an index names one of the eight slots.
constexpr bool isBufferSlot(int index)
{
    return index >= 0 && index < bufferSlotCount;
}

} // namespace corvantile
