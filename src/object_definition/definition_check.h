#pragma once

#include "object_definition/generator.h"
#include "object_definition/match_set.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace corvantile {

// What a user checks before a definition goes into a macro: which pixels of the region Create
// Object keeps, and where in the screenshot the definition matches.

// The colour values of a picture, -1 outside it, as the clip box reads a region it holds.
class PicturePixels : public PixelSource
{
public:
    explicit PicturePixels(const QImage &picture) : m_picture(picture) {}
    ColourValue point(int x, int y) const override
    {
        return m_picture.valid(x, y) ? colourValueFromRgb(m_picture.pixel(x, y)) : outsideColour;
    }

private:
    QImage m_picture;
};

// One entry of a definition: a kept pixel's peak, and its place in the region.
struct DefinitionEntry
{
    int peak = 0;
    int x = 0;
    int y = 0;
};

// What Create Object does with each point of the region, as it would now: the same walk, the
// same rule.
struct KeptPixels
{
    // Differs: kept by the bounds, dropped as the screenshots a definition was made of differ.
    enum class Fate : unsigned char { NotSampled, Dropped, Kept, Differs };
    QSize area;                           // the points shown: the clip box's drawing area
    std::vector<Fate> fates;              // row by row across the area
    int step = 1;                         // how far apart the sampled points are
    int sampled = 0;                      // every sampled point, inside the area or not
    std::vector<DefinitionEntry> entries; // the kept ones, in the definition's order

    Fate fate(int x, int y) const { return fates[size_t(y) * size_t(area.width()) + size_t(x)]; }
    int kept() const { return int(entries.size()); }
};

// Nothing when Create Object would make no definition (the width or height is no number).
std::optional<KeptPixels> keptPixels(const PixelSource &pixels, const GeneratorInputs &inputs,
                                     QSize area);

// How many pixels a side each point of a region takes in its kept view: enough to draw a cross
// in, while the view stays within about 1024 pixels a side (1 for regions larger than that
// allows a cross in).
int keptViewScale(QSize area);

// The region as the kept view shows it, each point a square of keptViewScale() pixels a side:
// a kept pixel flat in its own colour, a point not sampled flat and dimmed, and a sampled,
// dropped one dimmed with a red cross over it, which no pixel of a screenshot, kept or dimmed,
// can look like. Where a square is too small for a cross, a dropped point is pure red, or pure
// cyan when its own pixel is reddish: no dimmed colour has a channel at 0 or 255. A point that
// differs between screenshots is dimmed with a blue upright cross (pure blue, or pure yellow when
// its own pixel is bluish, where there is no room for one).
QImage keptView(const QImage &region, const KeptPixels &kept);
// The same points marked as differing between screenshots, where they are kept.
void markDiffering(KeptPixels &kept, const std::vector<QPoint> &points);

// The peak of every pixel of a picture, made once per picture, with how often each peak
// occurs.
class PeakPlane
{
public:
    explicit PeakPlane(const QImage &picture);
    // A plane of a picture of `size` whose rows come in bands, each added as it is unpacked.
    explicit PeakPlane(QSize size);
    // The peaks of `rows`, the picture's rows from `top` on; false, with the plane unfinished,
    // once `cancelled` is set, which is looked at every few hundred rows.
    bool addRows(const QImage &rows, int top, const std::atomic<bool> *cancelled = nullptr);
    int width() const { return m_width; }
    int height() const { return m_height; }
    const unsigned char *row(int y) const { return m_peaks.get() + size_t(y) * size_t(m_width); }
    qint64 count(int peak) const { return m_counts[size_t(peak)]; }

private:
    int m_width = 0;
    int m_height = 0;
    // Left unset until its rows are added: a plane of a huge picture costs nothing before its
    // first rows, and a search cancelled before then ends at once.
    std::unique_ptr<unsigned char[]> m_peaks;
    std::array<qint64, 256> m_counts{};
};

// Every place (x, y) of the picture where the definition matches: for every entry, the pixel
// at (x + entry.x, y + entry.y) lies inside the picture and has the entry's peak. Stops early,
// with nothing, once `cancelled` is set; `percent`, when given, follows how far it got.
//
// Entries of one peak side by side in a row are tested as one run, the rarest peaks first.
// While many places are possible, each run is tested on 64 places at once, so the whole search
// takes at most about entries x pixels / 64 word operations, whatever the picture shows (a flat
// picture, where every place stays possible, included); once few places are left, each is
// tested on its own.
MatchSet findDefinition(const PeakPlane &plane, const std::vector<DefinitionEntry> &entries,
                        const std::atomic<bool> &cancelled, std::atomic<qint64> *percent = nullptr);

// Where a definition that matches nowhere comes nearest: the place, and how many of its
// entries hold their peak there.
struct NearMiss
{
    QPoint place;
    int matched = 0;
    int of = 0;
    // Whether no place matches more: so for every definition of up to exactNearMissEntries
    // entries. Of larger ones, the count is the place's own, but a better place may exist.
    bool best = true;
};

constexpr size_t exactNearMissEntries = 300;

// The place where most of the definition's entries match, among the places where all of them
// lie inside the picture (the earliest in reading order of those that match as many); nothing
// when no entry matches anywhere, or once cancelled. Definitions of up to
// exactNearMissEntries entries are counted at every place, 64 places at a time, at a cost of
// about entries x places / 64 word operations. The places for larger ones are ranked by the
// first fifteen runs of the rarest peaks, and the best few are then counted entry by entry.
std::optional<NearMiss> nearestPlace(const PeakPlane &plane,
                                     const std::vector<DefinitionEntry> &entries,
                                     const std::atomic<bool> &cancelled);

} // namespace corvantile
