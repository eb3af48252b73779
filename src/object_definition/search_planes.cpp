#include "search_planes.h"

#include <algorithm>

namespace corvantile::search {
namespace {

std::vector<Run> runsOf(const std::vector<DefinitionEntry> &entries)
{
    std::vector<DefinitionEntry> sorted = entries;
    std::sort(sorted.begin(), sorted.end(),
              [](const auto &a, const auto &b) { return std::tie(a.y, a.x) < std::tie(b.y, b.x); });
    std::vector<Run> runs;
    for (const DefinitionEntry &e : sorted) {
        if (!runs.empty()) {
            Run &last = runs.back();
            const int gap = e.x - (last.x + (last.n - 1) * last.step);
            if (last.y == e.y && last.peak == e.peak && gap > 0 &&
                (last.n == 1 || gap == last.step)) {
                last.step = gap;
                ++last.n;
                continue;
            }
        }
        runs.push_back({e.peak, 1, 1, e.x, e.y});
    }
    return runs;
}

// Keeps a bit where the bit `shift` columns to its right is set too.
void erode(BitPlane &bits, int shift, const std::atomic<bool> &cancelled)
{
    for (int y = 0; y < bits.height && !(y % 256 == 0 && cancelled); ++y) {
        Word *row = bits.row(y);
        for (int i = 0; i + 1 < bits.words; ++i)
            row[i] &= bitsFrom(row, bits.words, i * 64 + shift);
    }
}

} // namespace

Word BitPlane::lastWordMask() const
{
    const int used = width & 63;
    return used == 0 ? ~Word(0) : (Word(1) << used) - 1;
}

std::vector<Run> rarestRunsFirst(const PeakPlane &plane,
                                 const std::vector<DefinitionEntry> &entries)
{
    std::vector<Run> runs = runsOf(entries);
    std::stable_sort(runs.begin(), runs.end(), [&](const Run &a, const Run &b) {
        return std::tuple(plane.count(a.peak), a.key()) < std::tuple(plane.count(b.peak), b.key());
    });
    return runs;
}

QSize placesWithin(const PeakPlane &plane, const std::vector<DefinitionEntry> &entries)
{
    int right = 0;
    int bottom = 0;
    for (const DefinitionEntry &e : entries) {
        right = std::max(right, e.x);
        bottom = std::max(bottom, e.y);
    }
    const QSize places(plane.width() - right, plane.height() - bottom);
    return places.isEmpty() ? QSize() : places;
}

BitPlane peakBits(const PeakPlane &plane, int peak, int firstRow, int rows,
                  const std::atomic<bool> &cancelled)
{
    BitPlane bits(plane.width(), rows);
    const auto wanted = static_cast<unsigned char>(peak);
    for (int y = 0; y < rows && !(y % 256 == 0 && cancelled); ++y) {
        const unsigned char *in = plane.row(firstRow + y);
        Word *out = bits.row(y);
        for (int x = 0; x < plane.width(); x += 64) {
            const int count = std::min(64, plane.width() - x);
            Word word = 0;
            for (int i = 0; i < count; ++i)
                word |= Word(in[x + i] == wanted) << i;
            out[x >> 6] = word;
        }
    }
    return bits;
}

// The spans double, so a run of n takes about log2(n) passes over the bits.
BitPlane runBits(const BitPlane &peak, const Run &run, const std::atomic<bool> &cancelled)
{
    BitPlane bits = peak;
    int span = 1;
    while (span * 2 <= run.n) {
        erode(bits, span * run.step, cancelled);
        span *= 2;
    }
    if (span < run.n) // two overlapping spans of `span` cover n
        erode(bits, (run.n - span) * run.step, cancelled);
    return bits;
}

} // namespace corvantile::search
