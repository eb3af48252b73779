#pragma once

#include "common/colour.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace corvantile {

// Any source of colour values: the clip box, or an image in a test.
class PixelSource
{
public:
    virtual ~PixelSource() = default;
    // Colour value of point (x, y), -1 outside the source's drawing area.
    virtual ColourValue point(int x, int y) const = 0;
    // The colour values of count points of row y, from column x on, step columns apart. A
    // source may read its memory directly here; by default it asks point() for each.
    virtual void readRow(int y, int x, int step, int count, ColourValue *out) const;
};

// Everything one run of the generator reads.
struct GeneratorInputs
{
    QString objectName;
    QString topLeftText;
    QString widthText;
    QString heightText;
    int step = 2;       // 1 every pixel, 2 every other pixel
    int blackFloor = 0; // a pixel is kept only if its peak is above this
    std::int16_t redFrom = 0, redTo = 255;
    std::int16_t greenFrom = 0, greenTo = 255;
    std::int16_t blueFrom = 0, blueTo = 255;
};

// A run that would sample more points than this fails instead of running: the clip box holds
// about ten thousand, so only a mistyped size gets near it, and a walk that large would leave
// the tool busy and its text far too long to show.
constexpr double maximumSampledPoints = 1.0e6;

// The points a run samples: rows x columns of them, step pixels apart from (0, 0). Nothing
// when the width or height is not a number, when the step is not 1 or more, or when the walk
// would exceed its bound.
struct SampledGrid
{
    int rows = 0;
    int columns = 0;
};
std::optional<SampledGrid> sampledGrid(const GeneratorInputs &inputs);

// Whether a run keeps a sampled pixel: its peak above the black floor, and each channel
// within its bounds.
bool keeps(const Channels &channels, int peak, const GeneratorInputs &inputs);

// The object definition of the region: the header line, one line of "peak=x,y" entries
// joined by "|" for every sampled row that kept a pixel, and the end marker; lines end in
// CR LF and the text ends with ":End Object ". Nothing when the width or height is not a
// number, when the step is not 1 or more, or when the walk would exceed its bound.
std::optional<QString> objectDefinition(const PixelSource &pixels, const GeneratorInputs &inputs);

// The largest of the three channels: red, then green if greater, then blue if greater.
constexpr int peakOf(const Channels &channels)
{
    int peak = channels.red;
    if (channels.green > peak)
        peak = channels.green;
    if (channels.blue > peak)
        peak = channels.blue;
    return peak;
}

} // namespace corvantile
