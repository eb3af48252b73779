#include "definition_check.h"

#include <algorithm>
#include <cstring>

namespace corvantile {

std::optional<KeptPixels> keptPixels(const PixelSource &pixels, const GeneratorInputs &inputs,
                                     QSize area)
{
    const std::optional<SampledGrid> grid = sampledGrid(inputs);
    if (!grid)
        return std::nullopt;
    KeptPixels kept;
    kept.area = area.expandedTo(QSize(0, 0));
    kept.fates.assign(size_t(kept.area.width()) * size_t(kept.area.height()),
                      KeptPixels::Fate::NotSampled);
    kept.step = inputs.step;
    kept.sampled = grid->rows * grid->columns;
    walkSamples(
        pixels, inputs, *grid,
        [&kept](int x, int y, int peak, bool keep) {
            if (keep)
                kept.entries.push_back({peak, x, y});
            if (x < kept.area.width() && y < kept.area.height())
                kept.fates[size_t(y) * size_t(kept.area.width()) + size_t(x)] =
                    keep ? KeptPixels::Fate::Kept : KeptPixels::Fate::Dropped;
        },
        [] {});
    return kept;
}

QImage keptView(const QImage &region, const KeptPixels &kept)
{
    QImage view(kept.area, QImage::Format_RGB32);
    for (int y = 0; y < view.height(); ++y) {
        auto *out = reinterpret_cast<QRgb *>(view.scanLine(y));
        for (int x = 0; x < view.width(); ++x) {
            const QRgb colour = region.valid(x, y) ? region.pixel(x, y) : qRgb(255, 0, 0);
            switch (kept.fate(x, y)) {
            case KeptPixels::Fate::Kept:
                out[x] = colour;
                break;
            case KeptPixels::Fate::Dropped: // alternating from one sampled point to the next
                out[x] =
                    (x / kept.step + y / kept.step) % 2 ? qRgb(96, 96, 96) : qRgb(160, 160, 160);
                break;
            case KeptPixels::Fate::NotSampled: // a third of its colour over mid-grey
                out[x] = qRgb((qRed(colour) + 256) / 3, (qGreen(colour) + 256) / 3,
                              (qBlue(colour) + 256) / 3);
                break;
            }
        }
    }
    return view;
}

PeakPlane::PeakPlane(const QImage &picture)
{
    const QImage rgb =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
            ? picture
            : picture.convertToFormat(QImage::Format_RGB32);
    m_width = rgb.width();
    m_height = rgb.height();
    m_peaks.resize(size_t(m_width) * size_t(m_height));
    for (int y = 0; y < m_height; ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        unsigned char *out = m_peaks.data() + size_t(y) * size_t(m_width);
        for (int x = 0; x < m_width; ++x)
            out[x] = static_cast<unsigned char>(peakOf({qRed(in[x]), qGreen(in[x]), qBlue(in[x])}));
    }
    for (const unsigned char peak : m_peaks)
        ++m_counts[peak];
}

std::vector<QPoint> findDefinition(const PeakPlane &plane, std::vector<DefinitionEntry> entries,
                                   const std::atomic<bool> &cancelled, qint64 &found, size_t most)
{
    found = 0;
    std::vector<QPoint> places;
    if (entries.empty())
        return places;
    int right = 0;
    int bottom = 0;
    for (const DefinitionEntry &e : entries) {
        right = std::max(right, e.x);
        bottom = std::max(bottom, e.y);
    }
    // The last place whose every entry still lies inside the picture.
    const int lastX = plane.width() - 1 - right;
    const int lastY = plane.height() - 1 - bottom;
    if (lastX < 0 || lastY < 0)
        return places;
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const DefinitionEntry &a, const DefinitionEntry &b) {
                         return plane.count(a.peak) < plane.count(b.peak);
                     });
    const DefinitionEntry first = entries.front();
    if (plane.count(first.peak) == 0)
        return places;
    for (int y = 0; y <= lastY; ++y) {
        if (y % 64 == 0 && cancelled)
            break;
        // The rarest entry's pixel is looked for along its row; each hit is a place to try.
        const unsigned char *row = plane.row(y + first.y) + first.x;
        const auto *from = row;
        const auto *end = row + lastX + 1;
        while (from < end) {
            const auto *hit = static_cast<const unsigned char *>(
                std::memchr(from, first.peak, size_t(end - from)));
            if (!hit)
                break;
            const int x = int(hit - row);
            const bool matches =
                std::all_of(entries.begin() + 1, entries.end(),
                            [&](const auto &e) { return plane.row(y + e.y)[x + e.x] == e.peak; });
            if (matches && ++found <= qint64(most))
                places.emplace_back(x, y);
            from = hit + 1;
        }
    }
    return places;
}

} // namespace corvantile
