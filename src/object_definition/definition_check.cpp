#include "definition_check.h"

#include <algorithm>

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

} // namespace corvantile
