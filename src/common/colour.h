#pragma once

#include <QRgb>
#include <cstdint>

namespace corvantile {

// The colour of one point of a picture box: a 24-bit RGB value with red in the low byte,
// green in the second and blue in the third. A point outside the drawing area is -1.
using ColourValue = std::int32_t;

constexpr ColourValue outsideColour = -1;

constexpr ColourValue colourValueFromRgb(QRgb rgb)
{
    return static_cast<ColourValue>(qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16));
}

struct Channels
{
    int red;
    int green;
    int blue;
};

// Splits a colour value with signed division truncating toward zero, so -1 gives red 255,
// green 0 and blue 0.
constexpr Channels channelsOf(ColourValue value)
{
    return {value & 255, (value / 256) & 255, (value / 65536) & 255};
}

} // namespace corvantile
