// Where a definition matches in a screenshot. Its cost is bounded by the picture, not by what
// the picture shows: while many places are still possible, whole rows of places are tested a
// machine word (64 places) at a time against bit planes of the picture's peaks; once few are
// left, each is tested on its own.

#include "definition_check.h"
#include "search_planes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

namespace corvantile {
namespace {

using namespace search;

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

// The places left after the runs up to `tested`, each tested against the runs left: those that
// fail one lose their bit.
void testEachPlace(DenseSearch &dense, const std::vector<Run> &runs, size_t tested,
                   const std::atomic<bool> &cancelled, std::atomic<qint64> *percent)
{
    const int rows = dense.places.height;
    for (int y = 0; y < rows; ++y) {
        if (y % 64 == 0 && cancelled)
            return;
        Word *row = dense.places.row(y);
        for (int i = 0; i + 1 < dense.places.words; ++i)
            for (Word word = row[i]; word != 0; word &= word - 1) {
                const int x = i * 64 + std::countr_zero(word);
                const bool matches =
                    std::all_of(runs.begin() + qsizetype(tested), runs.end(),
                                [&](const Run &r) { return matchesRun(dense.plane, r, x, y); });
                if (!matches)
                    row[i] &= ~(Word(1) << (x & 63));
            }
        if (percent)
            *percent = 100 * (qint64(tested) * rows + y) / (qint64(runs.size()) * rows);
    }
    if (percent)
        *percent = 100;
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
            peak = peakBits(dense.plane, run.peak, 0, dense.plane.height(), cancelled);
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

MatchSet findDefinition(const PeakPlane &plane, const std::vector<DefinitionEntry> &entries,
                        const std::atomic<bool> &cancelled, std::atomic<qint64> *percent)
{
    if (entries.empty())
        return {};
    const QSize within = placesWithin(plane, entries);
    if (within.isEmpty())
        return {};
    const std::vector<Run> runs = rarestRunsFirst(plane, entries);
    const qint64 rarest = plane.count(runs.front().peak);
    if (rarest == 0)
        return {};
    DenseSearch dense(plane, within.width(), within.height());
    size_t tested = 1;
    if (rarest * 8 >= qint64(dense.places.words) * within.height()) {
        const std::optional<size_t> many = testWhileMany(dense, runs, cancelled, percent);
        if (!many)
            return {};
        tested = *many;
    } else {
        placesOfRarestRun(dense, runs.front());
    }
    testEachPlace(dense, runs, tested, cancelled, percent);
    if (cancelled)
        return {};
    return MatchSet(within, dense.places.words, std::move(dense.places.bits));
}

} // namespace corvantile
