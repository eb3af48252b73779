// Where a definition matches in a screenshot. Its cost is bounded by the picture, not by what
// the picture shows: while many places are still possible, whole rows of places are tested a
// machine word (64 places) at a time against bit planes of the picture's peaks; once few are
// left, each is tested on its own.

#include "definition_check.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

namespace corvantile {
namespace {

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

// The picture's pixels of one peak, as bits. A pass over a large picture takes a while, so it
// stops (with what it has) once the search is cancelled.
BitPlane peakBits(const PeakPlane &plane, int peak, const std::atomic<bool> &cancelled)
{
    BitPlane bits(plane.width(), plane.height());
    const auto wanted = static_cast<unsigned char>(peak);
    for (int y = 0; y < plane.height() && !(y % 256 == 0 && cancelled); ++y) {
        const unsigned char *in = plane.row(y);
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

// Keeps a bit where the bit `shift` columns to its right is set too.
void erode(BitPlane &bits, int shift, const std::atomic<bool> &cancelled)
{
    for (int y = 0; y < bits.height && !(y % 256 == 0 && cancelled); ++y) {
        Word *row = bits.row(y);
        for (int i = 0; i + 1 < bits.words; ++i)
            row[i] &= bitsFrom(row, bits.words, i * 64 + shift);
    }
}

// Where a run starts in the picture: the pixels from which n pixels `step` apart hold its peak.
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

// Whether the place matches a run, looked at pixel by pixel.
bool matchesRun(const PeakPlane &plane, const Run &run, int x, int y)
{
    const unsigned char *row = plane.row(y + run.y);
    for (int k = 0; k < run.n; ++k)
        if (row[x + run.x + k * run.step] != run.peak)
            return false;
    return true;
}

// The search over every place while many are possible: each run tested on whole words of
// places. Gives the runs that are left to test place by place, once few places are.
struct DenseSearch
{
    const PeakPlane &plane;
    BitPlane places; // the places still possible
    qint64 possible = 0;

    DenseSearch(const PeakPlane &p, int columns, int rows)
        : plane(p), places(columns, rows), possible(qint64(columns) * rows)
    {
        for (int y = 0; y < rows; ++y) {
            Word *row = places.row(y);
            for (int x = 0; x < columns; x += 64) {
                const int count = std::min(64, columns - x);
                row[x >> 6] = count == 64 ? ~Word(0) : (Word(1) << count) - 1;
            }
        }
    }

    void test(const BitPlane &starts, const Run &run)
    {
        possible = 0;
        for (int y = 0; y < places.height; ++y) {
            Word *row = places.row(y);
            const Word *from = starts.row(y + run.y);
            for (int i = 0; i + 1 < places.words; ++i)
                if (row[i] != 0) {
                    row[i] &= bitsFrom(from, starts.words, i * 64 + run.x);
                    possible += std::popcount(row[i]);
                }
        }
    }

    // Whether testing each possible place on its own now costs less than another pass.
    bool few() const { return possible * 8 < qint64(places.words) * places.height; }
};

// The places left after the runs up to `tested`, each tested against the runs left, in reading
// order.
std::vector<QPoint> collectPlaces(const DenseSearch &dense, const std::vector<Run> &runs,
                                  size_t tested, const std::atomic<bool> &cancelled, qint64 &found,
                                  size_t most, std::atomic<qint64> *percent)
{
    std::vector<QPoint> places;
    const int rows = dense.places.height;
    for (int y = 0; y < rows; ++y) {
        if (y % 64 == 0 && cancelled)
            break;
        const Word *row = dense.places.row(y);
        for (int i = 0; i + 1 < dense.places.words; ++i)
            for (Word word = row[i]; word != 0; word &= word - 1) {
                const int x = i * 64 + std::countr_zero(word);
                const bool matches =
                    std::all_of(runs.begin() + qsizetype(tested), runs.end(),
                                [&](const Run &r) { return matchesRun(dense.plane, r, x, y); });
                if (matches && ++found <= qint64(most))
                    places.emplace_back(x, y);
            }
        if (percent)
            *percent = 100 * (qint64(tested) * rows + y) / (qint64(runs.size()) * rows);
    }
    if (percent && !cancelled)
        *percent = 100;
    return places;
}

// The places where the first (the rarest) run matches, looked for along its row: few pixels
// hold its peak.
void placesOfRarestRun(DenseSearch &dense, const Run &first)
{
    const PeakPlane &plane = dense.plane;
    const int columns = dense.places.width;
    dense.possible = 0;
    for (int y = 0; y < dense.places.height; ++y) {
        Word *row = dense.places.row(y);
        std::fill(row, row + dense.places.words, Word(0));
        const unsigned char *line = plane.row(y + first.y) + first.x;
        for (const unsigned char *at = line; (at = static_cast<const unsigned char *>(std::memchr(
                                                  at, first.peak, size_t(line + columns - at))));
             ++at) {
            const int x = int(at - line);
            if (matchesRun(plane, first, x, y)) {
                row[x >> 6] |= Word(1) << (x & 63);
                ++dense.possible;
            }
        }
    }
}

// While many places are possible, a run at a time over all of them. Gives how many runs were
// tested so, or nothing once cancelled.
std::optional<size_t> testWhileMany(DenseSearch &dense, const std::vector<Run> &runs,
                                    const std::atomic<bool> &cancelled,
                                    std::atomic<qint64> *percent)
{
    size_t tested = 0;
    BitPlane peak;
    BitPlane starts;
    for (; tested < runs.size() && !dense.few(); ++tested) {
        const Run &run = runs[tested];
        if (tested == 0 || run.peak != runs[tested - 1].peak)
            peak = peakBits(dense.plane, run.peak, cancelled);
        if (tested == 0 || run.key() != runs[tested - 1].key())
            starts = runBits(peak, run, cancelled);
        if (cancelled)
            return std::nullopt;
        dense.test(starts, run);
        if (percent)
            *percent = qint64(100 * tested / runs.size());
    }
    return tested;
}

} // namespace

std::vector<QPoint> findDefinition(const PeakPlane &plane, std::vector<DefinitionEntry> entries,
                                   const std::atomic<bool> &cancelled, qint64 &found, size_t most,
                                   std::atomic<qint64> *percent)
{
    found = 0;
    if (entries.empty())
        return {};
    int right = 0;
    int bottom = 0;
    for (const DefinitionEntry &e : entries) {
        right = std::max(right, e.x);
        bottom = std::max(bottom, e.y);
    }
    // The places whose every entry still lies inside the picture.
    const int columns = plane.width() - right;
    const int rows = plane.height() - bottom;
    if (columns <= 0 || rows <= 0)
        return {};
    // The rarest peaks first: they leave the fewest places.
    std::vector<Run> runs = runsOf(entries);
    std::stable_sort(runs.begin(), runs.end(), [&](const Run &a, const Run &b) {
        return std::tuple(plane.count(a.peak), a.key()) < std::tuple(plane.count(b.peak), b.key());
    });
    const qint64 rarest = plane.count(runs.front().peak);
    if (rarest == 0)
        return {};
    DenseSearch dense(plane, columns, rows);
    size_t tested = 1;
    if (rarest * 8 >= qint64(dense.places.words) * rows) {
        const std::optional<size_t> many = testWhileMany(dense, runs, cancelled, percent);
        if (!many)
            return {};
        tested = *many;
    } else {
        placesOfRarestRun(dense, runs.front());
    }
    return collectPlaces(dense, runs, tested, cancelled, found, most, percent);
}

} // namespace corvantile
