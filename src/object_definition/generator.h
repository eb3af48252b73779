#pragma once

#include "common/colour.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

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

    bool operator==(const GeneratorInputs &) const = default;
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

// The object definition of the region: the header line, one line of "peak=x,y" entries
// joined by "|" for every sampled row that kept a pixel, and the end marker; lines end in
// CR LF and the text ends with ":End Object ". Nothing when the width or height is not a
// number, when the step is not 1 or more, or when the walk would exceed its bound.
std::optional<QString> objectDefinition(const PixelSource &pixels, const GeneratorInputs &inputs);
// The definition's first line: ":Object Name   // Test at coords x,y", with its CR LF.
QString definitionHead(const GeneratorInputs &inputs);

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

// Whether a run keeps a sampled pixel: its peak above the black floor, and each channel
// within its bounds.
inline bool keeps(const Channels &ch, int peak, const GeneratorInputs &inputs)
{
    const auto within = [](int value, int from, int to) { return from <= value && value <= to; };
    return peak > inputs.blackFloor && within(ch.red, inputs.redFrom, inputs.redTo) &&
           within(ch.green, inputs.greenFrom, inputs.greenTo) &&
           within(ch.blue, inputs.blueFrom, inputs.blueTo);
}

// The walk of a run over the region: every sampled point of the grid, row by row from (0, 0),
// step pixels apart. visit(x, y, peak, kept) is called for each point, then rowDone() after
// each row. Create Object writes its text from this walk, and the kept view and the search
// take their pixels from it, so that all three keep the same pixels.
template <typename Visit, typename RowDone>
void walkSamples(const PixelSource &pixels, const GeneratorInputs &inputs, SampledGrid grid,
                 Visit &&visit, RowDone &&rowDone)
{
    std::vector<ColourValue> row(static_cast<size_t>(grid.columns));
    for (int r = 0; r < grid.rows; ++r) {
        const int y = r * inputs.step;
        pixels.readRow(y, 0, inputs.step, grid.columns, row.data());
        for (int c = 0; c < grid.columns; ++c) {
            const Channels ch = channelsOf(row[static_cast<size_t>(c)]);
            const int peak = peakOf(ch);
            visit(c * inputs.step, y, peak, keeps(ch, peak, inputs));
        }
        rowDone();
    }
}

} // namespace corvantile
