// How near a definition that matches nowhere comes. A definition of up to 300 entries is counted
// at every place, a machine word of places at a time: for each entry, the places where it holds
// its peak are added to a count kept as nine planes of bits. A larger one would cost too much
// that way: each place is ranked by how many of a few runs match there, and only the best few
// are counted entry by entry.

#include "definition_check.h"
#include "search_planes.h"

#include <algorithm>
#include <array>
#include <bit>

namespace corvantile {
namespace {

using namespace search;

constexpr int rankedRuns = 15; // what four planes of bits count to
constexpr size_t kept = 256;   // places counted entry by entry
constexpr int bandRows = 256;  // rows of places ranked at once, to bound the memory

// A count for each place of a band of rows, as four planes of bits: bit k of a place's count
// lies in plane k.
struct Counts
{
    std::array<BitPlane, 4> planes;

    Counts(int columns, int rows)
    {
        for (BitPlane &plane : planes)
            plane = BitPlane(columns, rows);
    }
    // Adds one to the count of each place whose bit is set in `word`.
    void add(int y, int i, Word word)
    {
        for (BitPlane &plane : planes) {
            Word &bits = plane.row(y)[i];
            const Word carry = bits & word;
            bits ^= word;
            word = carry;
        }
    }
    // The places of a word whose count is at least `least` (at most 15).
    Word atLeast(int y, int i, int least) const
    {
        Word greater = 0;
        Word equal = ~Word(0);
        for (int k = 3; k >= 0; --k) {
            const Word bits = planes[size_t(k)].row(y)[i];
            if (least >> k & 1) {
                equal &= bits;
            } else {
                greater |= equal & bits;
                equal &= ~bits;
            }
        }
        return greater | equal;
    }
    int count(int y, int i, int bit) const
    {
        int n = 0;
        for (int k = 0; k < 4; ++k)
            n |= int(planes[size_t(k)].row(y)[i] >> bit & 1) << k;
        return n;
    }
};

struct Candidate
{
    int score = 0;
    QPoint place;
};

// A higher score, then the earlier place in reading order.
bool better(const Candidate &a, const Candidate &b)
{
    return a.score != b.score
               ? a.score > b.score
               : std::pair(a.place.y(), a.place.x()) < std::pair(b.place.y(), b.place.x());
}

// Ranks the places of `rows` rows from `firstRow` by the runs, and keeps the best places met so
// far in `best`, a heap with the worst of them in front.
void rankBand(const PeakPlane &plane, const std::vector<Run> &runs, QRect band,
              const std::atomic<bool> &cancelled, std::vector<Candidate> &best)
{
    Counts counts(band.width(), band.height());
    const int words = counts.planes[0].words - 1;
    const Word lastMask = counts.planes[0].lastWordMask();
    BitPlane peak;
    for (size_t r = 0; r < runs.size(); ++r) {
        const Run &run = runs[r];
        if (r == 0 || run.peak != runs[r - 1].peak || run.y != runs[r - 1].y)
            peak = peakBits(plane, run.peak, band.top() + run.y, band.height(), cancelled);
        const BitPlane starts = runBits(peak, run, cancelled);
        if (cancelled)
            return;
        for (int y = 0; y < band.height(); ++y)
            for (int i = 0; i < words; ++i)
                counts.add(y, i,
                           bitsFrom(starts.row(y), starts.words, i * 64 + run.x) &
                               (i + 1 == words ? lastMask : ~Word(0)));
    }
    int least = 1;
    for (int y = 0; y < band.height(); ++y)
        for (int i = 0; i < words; ++i) {
            if (least > rankedRuns)
                return;
            for (Word word = counts.atLeast(y, i, least); word != 0; word &= word - 1) {
                const int bit = std::countr_zero(word);
                const int score = counts.count(y, i, bit);
                if (score < least)
                    continue;
                best.push_back({score, QPoint(i * 64 + bit, band.top() + y)});
                std::push_heap(best.begin(), best.end(), better);
                if (best.size() > kept) {
                    std::pop_heap(best.begin(), best.end(), better);
                    best.pop_back();
                }
                if (best.size() == kept)
                    least = best.front().score + 1;
            }
        }
}

int matchedAt(const PeakPlane &plane, const std::vector<DefinitionEntry> &entries, QPoint at)
{
    int matched = 0;
    for (const DefinitionEntry &e : entries)
        matched += plane.row(at.y() + e.y)[at.x() + e.x] == e.peak;
    return matched;
}

// The exact count: rows of places a band at a time. For each peak the entries hold, the band's
// pixels of that peak are made a plane of bits once; each entry then adds its plane, shifted to
// its place, to the counts of 64 places at a time.
constexpr int countBits = 9; // counts up to 511
constexpr int exactBandRows = 64;

struct Best
{
    int count = 0;
    QPoint place;
};

void countBand(const PeakPlane &plane, const std::vector<DefinitionEntry> &entries,
               const std::array<int, 256> &slotOf, int peaks, QSize within, int top, int reachY,
               const std::atomic<bool> &cancelled, Best &best)
{
    const int rows = std::min(exactBandRows, within.height() - top);
    const int readRows = rows + reachY;
    // The pixels of each peak the entries hold, over every row the band's places read.
    std::vector<BitPlane> ofPeak(static_cast<size_t>(peaks));
    for (BitPlane &bits : ofPeak)
        bits = BitPlane(plane.width(), readRows);
    for (int y = 0; y < readRows; ++y) {
        const unsigned char *pixels = plane.row(top + y);
        for (int x = 0; x < plane.width(); ++x)
            if (const int slot = slotOf[pixels[x]]; slot >= 0)
                ofPeak[size_t(slot)].row(y)[x >> 6] |= Word(1) << (x & 63);
    }
    const int words = (within.width() + 63) / 64;
    const Word lastMask =
        within.width() % 64 == 0 ? ~Word(0) : (Word(1) << (within.width() % 64)) - 1;
    std::vector<Word> counts(size_t(countBits) * size_t(rows) * size_t(words), 0);
    const auto at = [&](int bit, int y, int i) -> Word & {
        return counts[(size_t(bit) * size_t(rows) + size_t(y)) * size_t(words) + size_t(i)];
    };
    for (const DefinitionEntry &e : entries) {
        if (cancelled)
            return;
        const BitPlane &bits = ofPeak[size_t(slotOf[size_t(e.peak)])];
        for (int y = 0; y < rows; ++y) {
            const Word *from = bits.row(y + e.y);
            for (int i = 0; i < words; ++i) {
                Word add = bitsFrom(from, bits.words, i * 64 + e.x);
                for (int bit = 0; add != 0 && bit < countBits; ++bit) {
                    Word &plane = at(bit, y, i);
                    const Word carry = plane & add;
                    plane ^= add;
                    add = carry;
                }
            }
        }
    }
    // The highest count of each word's places, from the top bit down; the first place met
    // with a higher count than any before is kept, so that of equal counts the earliest in
    // reading order is.
    for (int y = 0; y < rows; ++y)
        for (int i = 0; i < words; ++i) {
            Word places = i + 1 == words ? lastMask : ~Word(0);
            int count = 0;
            for (int bit = countBits - 1; bit >= 0; --bit)
                if (const Word higher = places & at(bit, y, i); higher != 0) {
                    places = higher;
                    count |= 1 << bit;
                }
            if (count > best.count)
                best = {count, QPoint(i * 64 + std::countr_zero(places), top + y)};
        }
}

std::optional<NearMiss> exactNearest(const PeakPlane &plane,
                                     const std::vector<DefinitionEntry> &entries, QSize within,
                                     const std::atomic<bool> &cancelled)
{
    std::array<int, 256> slotOf;
    slotOf.fill(-1);
    int peaks = 0;
    int reachY = 0;
    for (const DefinitionEntry &e : entries) {
        if (slotOf[size_t(e.peak)] < 0)
            slotOf[size_t(e.peak)] = peaks++;
        reachY = std::max(reachY, e.y);
    }
    Best best;
    for (int top = 0; top < within.height(); top += exactBandRows) {
        countBand(plane, entries, slotOf, peaks, within, top, reachY, cancelled, best);
        if (cancelled)
            return std::nullopt;
    }
    if (best.count == 0)
        return std::nullopt;
    return NearMiss{best.place, best.count, int(entries.size())};
}

} // namespace

std::optional<NearMiss> nearestPlace(const PeakPlane &plane,
                                     const std::vector<DefinitionEntry> &entries,
                                     const std::atomic<bool> &cancelled)
{
    const QSize within = placesWithin(plane, entries);
    if (entries.empty() || within.isEmpty())
        return std::nullopt;
    if (entries.size() <= exactNearMissEntries)
        return exactNearest(plane, entries, within, cancelled);
    // Runs of peaks the picture never holds rank no place.
    std::vector<Run> runs = rarestRunsFirst(plane, entries);
    std::erase_if(runs, [&](const Run &run) { return plane.count(run.peak) == 0; });
    runs.resize(std::min(runs.size(), size_t(rankedRuns)));
    // The runs of one peak and row side by side, so that each plane of a peak is made once.
    std::stable_sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) {
        return std::pair(a.peak, a.y) < std::pair(b.peak, b.y);
    });
    std::vector<Candidate> best;
    for (int y = 0; y < within.height() && !runs.empty(); y += bandRows) {
        const QRect band(0, y, within.width(), std::min(bandRows, within.height() - y));
        rankBand(plane, runs, band, cancelled, best);
        if (cancelled)
            return std::nullopt;
    }
    NearMiss nearest{QPoint(), 0, int(entries.size()), false};
    std::sort(best.begin(), best.end(), [](const Candidate &a, const Candidate &b) {
        return std::pair(a.place.y(), a.place.x()) < std::pair(b.place.y(), b.place.x());
    });
    for (const Candidate &candidate : best)
        if (const int matched = matchedAt(plane, entries, candidate.place);
            matched > nearest.matched)
            nearest = {candidate.place, matched, int(entries.size()), false};
    if (nearest.matched == 0)
        return std::nullopt;
    return nearest;
}

} // namespace corvantile
