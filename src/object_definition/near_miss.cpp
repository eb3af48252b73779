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

// The exact count: rows of places a band at a time. For each peak the entries hold, the
// picture's pixels of that peak are a plane of bits, kept for the rows the band's places read
// and no more: a ring of rows, each row put in once as the bands move down. Each entry then
// adds its plane, shifted to its place, to the counts of 64 places at a time.
constexpr int countBits = 9; // counts up to 511
constexpr int exactBandRows = 64;
// Places are counted `lanes` words side by side, each independent of the others, so that the
// processor works on all of them at once.
constexpr int lanes = 4;

class ExactCount
{
public:
    ExactCount(const PeakPlane &plane, const std::vector<DefinitionEntry> &entries, QSize within)
        : m_plane(plane), m_entries(entries), m_within(within), m_words((within.width() + 63) / 64),
          m_laneWords((m_words + lanes - 1) / lanes * lanes)
    {
        m_slotOf.fill(-1);
        int peaks = 0;
        for (const DefinitionEntry &e : entries) {
            if (m_slotOf[size_t(e.peak)] < 0)
                m_slotOf[size_t(e.peak)] = peaks++;
            m_ringRows = std::max(m_ringRows, e.y + exactBandRows);
        }
        // Each row reaches far enough past the picture's edge that every read finds zeros there.
        m_ofPeak.assign(size_t(peaks), BitPlane(plane.width() + 64 * (lanes + 1), m_ringRows));
        m_counts.resize(size_t(countBits) * size_t(exactBandRows) * size_t(m_laneWords));
    }

    // The best place of the rows of places from `top`, kept in `best` when better.
    void countBand(int top, const std::atomic<bool> &cancelled, NearMiss &best)
    {
        const int rows = std::min(exactBandRows, m_within.height() - top);
        for (; m_filled < std::min(top + m_ringRows, m_plane.height()); ++m_filled)
            putRow(m_filled);
        std::fill(m_counts.begin(), m_counts.end(), Word(0));
        // Entries go in groups of 15: a group's count at the places of a few words is first
        // made in four planes of bits held in registers, then added to the counts in memory.
        constexpr size_t group = 15;
        for (size_t first = 0; first < m_entries.size(); first += group) {
            if (cancelled)
                return;
            const size_t last = std::min(m_entries.size(), first + group);
            for (int y = 0; y < rows; ++y)
                for (int i = 0; i < m_laneWords; i += lanes)
                    addGroup(first, last, top + y, y, i);
        }
        highest(top, rows, best);
    }

private:
    // The picture's row `y` in each peak's plane, in the ring's place of it.
    void putRow(int y)
    {
        const int at = y % m_ringRows;
        for (BitPlane &bits : m_ofPeak)
            std::fill(bits.row(at), bits.row(at) + bits.words, Word(0));
        const unsigned char *pixels = m_plane.row(y);
        for (int x = 0; x < m_plane.width(); ++x)
            if (const int slot = m_slotOf[pixels[x]]; slot >= 0)
                m_ofPeak[size_t(slot)].row(at)[x >> 6] |= Word(1) << (x & 63);
    }

    Word &count(int bit, int y, int i)
    {
        return m_counts[(size_t(bit) * size_t(exactBandRows) + size_t(y)) * size_t(m_laneWords) +
                        size_t(i)];
    }

    // The places of `lanes` words from word `i` of row `placeY` where entry `k` holds its peak.
    std::array<Word, lanes> placesOf(size_t k, int placeY, int i) const
    {
        const DefinitionEntry &e = m_entries[k];
        const BitPlane &bits = m_ofPeak[size_t(m_slotOf[size_t(e.peak)])];
        const Word *from = bits.row((placeY + e.y) % m_ringRows) + i + (e.x >> 6);
        const int shift = e.x & 63;
        std::array<Word, lanes> places;
        if (shift == 0)
            std::copy_n(from, lanes, places.begin());
        else
            for (size_t l = 0; l < lanes; ++l)
                places[l] = from[l] >> shift | from[l + 1] << (64 - shift);
        return places;
    }

    // The entries [first, last) at the places of `lanes` words from word `i` of row `placeY`
    // (row `y` of the band).
    void addGroup(size_t first, size_t last, int placeY, int y, int i)
    {
        // The sum's four planes: ones, twos, fours, eights.
        std::array<std::array<Word, lanes>, 4> sum{};
        for (size_t k = first; k < last; k += 2) {
            std::array<Word, lanes> a = placesOf(k, placeY, i);
            std::array<Word, lanes> b{};
            if (k + 1 < last)
                b = placesOf(k + 1, placeY, i);
            // Two entries at once: ones + a + b makes the ones and a two to carry on.
            for (size_t l = 0; l < lanes; ++l) {
                const Word either = sum[0][l] ^ a[l];
                const Word two = (sum[0][l] & a[l]) | (either & b[l]);
                sum[0][l] = either ^ b[l];
                const Word four = sum[1][l] & two;
                sum[1][l] ^= two;
                const Word eight = sum[2][l] & four;
                sum[2][l] ^= four;
                sum[3][l] ^= eight;
            }
        }
        // The group's sum, four bits a place, added to the count's nine.
        for (int l = 0; l < lanes; ++l) {
            Word carry = 0;
            for (int bit = 0; bit < countBits && (bit < 4 || carry != 0); ++bit) {
                Word &counted = count(bit, y, i + l);
                const Word add = bit < 4 ? sum[size_t(bit)][size_t(l)] : 0;
                const Word was = counted;
                counted = was ^ add ^ carry;
                carry = (was & add) | (carry & (was ^ add));
            }
        }
    }

    // The highest count of each word's places, from the top bit down; the first place met
    // with a higher count than any before is kept, so that of equal counts the earliest in
    // reading order is.
    void highest(int top, int rows, NearMiss &best)
    {
        const Word lastMask =
            m_within.width() % 64 == 0 ? ~Word(0) : (Word(1) << (m_within.width() % 64)) - 1;
        for (int y = 0; y < rows; ++y)
            for (int i = 0; i < m_words; ++i) {
                Word places = i + 1 == m_words ? lastMask : ~Word(0);
                int counted = 0;
                for (int bit = countBits - 1; bit >= 0; --bit)
                    if (const Word higher = places & count(bit, y, i); higher != 0) {
                        places = higher;
                        counted |= 1 << bit;
                    }
                if (counted > best.matched) {
                    best.place = QPoint(i * 64 + std::countr_zero(places), top + y);
                    best.matched = counted;
                }
            }
    }

    const PeakPlane &m_plane;
    const std::vector<DefinitionEntry> &m_entries;
    QSize m_within;
    int m_words;     // of places a row
    int m_laneWords; // the same, to a whole number of lanes
    std::array<int, 256> m_slotOf;
    int m_ringRows = 0; // the rows a band's places read
    std::vector<BitPlane> m_ofPeak;
    int m_filled = 0; // rows of the picture put in the ring so far
    std::vector<Word> m_counts;
};

std::optional<NearMiss> exactNearest(const PeakPlane &plane,
                                     const std::vector<DefinitionEntry> &entries, QSize within,
                                     const std::atomic<bool> &cancelled)
{
    ExactCount exact(plane, entries, within);
    NearMiss best{QPoint(), 0, int(entries.size())};
    for (int top = 0; top < within.height(); top += exactBandRows) {
        exact.countBand(top, cancelled, best);
        if (cancelled)
            return std::nullopt;
    }
    if (best.matched == 0)
        return std::nullopt;
    return best;
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
