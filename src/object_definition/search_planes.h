#pragma once

// The pieces the searches of a definition share: bit planes of a picture's peaks, and the runs
// a definition's entries make.

#include "object_definition/definition_check.h"

#include <QtGlobal>
#include <atomic>
#include <tuple>
#include <vector>

namespace corvantile::search {

using Word = quint64;

// A plane of bits, a row of words for each row, with one zero word past the end of each row
// (and zero bits past its width), so that a read of 64 bits from any column of a row stays in
// the row and finds 0 beyond its end.
struct BitPlane
{
    int width = 0;
    int height = 0;
    int words = 0; // words a row, the zero one included
    std::vector<Word> bits;

    BitPlane() = default;
    BitPlane(int w, int h)
        : width(w), height(h), words((w + 63) / 64 + 1), bits(size_t(words) * size_t(h), 0)
    {}
    Word *row(int y) { return bits.data() + size_t(y) * size_t(words); }
    const Word *row(int y) const { return bits.data() + size_t(y) * size_t(words); }
    // The word of a row's last columns with only the bits inside the width set.
    Word lastWordMask() const;
};

// The 64 bits of a row from column `from` on.
inline Word bitsFrom(const Word *row, int words, int from)
{
    const int w = from >> 6;
    const int s = from & 63;
    if (w >= words)
        return 0;
    const Word low = row[w] >> s;
    return s == 0 || w + 1 >= words ? low : low | row[w + 1] << (64 - s);
}

// A run of a definition: n entries of one peak in one row, `step` columns apart, from (x, y).
// Testing a run at once is testing each of its entries: a place matches it where the picture
// holds the peak at every one of its columns.
struct Run
{
    int peak = 0;
    int step = 1;
    int n = 1;
    int x = 0;
    int y = 0;

    auto key() const { return std::tuple(peak, step, n); }
};

// The runs of a definition, those of the rarest peaks in the picture first: they leave the
// fewest places.
std::vector<Run> rarestRunsFirst(const PeakPlane &plane,
                                 const std::vector<DefinitionEntry> &entries);

// The places at which every entry lies inside the picture: the columns and rows from 0 on, or
// an empty size when the definition is larger than the picture.
QSize placesWithin(const PeakPlane &plane, const std::vector<DefinitionEntry> &entries);

// The pixels of one peak in `rows` rows of the picture from `firstRow`, as bits. A pass over a
// large picture takes a while, so it stops (with what it has) once the search is cancelled.
BitPlane peakBits(const PeakPlane &plane, int peak, int firstRow, int rows,
                  const std::atomic<bool> &cancelled);

// Where a run starts in a plane of its peak's pixels: the pixels from which n pixels `step`
// apart hold the peak.
BitPlane runBits(const BitPlane &peak, const Run &run, const std::atomic<bool> &cancelled);

// Whether the place matches a run, looked at pixel by pixel.
inline bool matchesRun(const PeakPlane &plane, const Run &run, int x, int y)
{
    const unsigned char *row = plane.row(y + run.y);
    for (int k = 0; k < run.n; ++k)
        if (row[x + run.x + k * run.step] != run.peak)
            return false;
    return true;
}

} // namespace corvantile::search
