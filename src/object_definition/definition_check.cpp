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

int keptViewScale(QSize area)
{
    const int scale = 1024 / std::max({area.width(), area.height(), 1});
    return scale >= 3 ? std::min(scale, 8) : 1;
}

namespace {

// A third of a colour over mid-grey: every channel between 85 and 170.
QRgb dimmed(QRgb colour)
{
    return qRgb((qRed(colour) + 256) / 3, (qGreen(colour) + 256) / 3, (qBlue(colour) + 256) / 3);
}

// The square of a marked point: dimmed, with a cross of `mark` where `onCross(i, j)`. Where the
// square is one pixel, that pixel is `mark`, or `instead` when the point's own colour is near
// it (`near`).
template <typename OnCross>
void drawMarked(QImage &view, QPoint corner, int scale, QRgb colour, QRgb mark, QRgb instead,
                bool near, OnCross onCross)
{
    if (scale == 1) {
        view.setPixel(corner, near ? instead : mark);
        return;
    }
    for (int j = 0; j < scale; ++j) {
        auto *line = reinterpret_cast<QRgb *>(view.scanLine(corner.y() + j)) + corner.x();
        for (int i = 0; i < scale; ++i)
            line[i] = onCross(i, j) ? mark : dimmed(colour);
    }
}

// The square of a dropped point: dimmed, with a red cross corner to corner.
void drawDropped(QImage &view, QPoint corner, int scale, QRgb colour)
{
    const bool reddish = qRed(colour) > 127 && qGreen(colour) < 128 && qBlue(colour) < 128;
    drawMarked(view, corner, scale, colour, qRgb(255, 0, 0), qRgb(0, 255, 255), reddish,
               [scale](int i, int j) { return i == j || i == scale - 1 - j; });
}

// The square of a point that differs between screenshots: dimmed, with a blue upright cross.
void drawDiffering(QImage &view, QPoint corner, int scale, QRgb colour)
{
    const bool bluish = qBlue(colour) > 127 && qRed(colour) < 128 && qGreen(colour) < 128;
    const int middle = scale / 2;
    drawMarked(view, corner, scale, colour, qRgb(0, 0, 255), qRgb(255, 255, 0), bluish,
               [middle](int i, int j) { return i == middle || j == middle; });
}

} // namespace

QImage keptView(const QImage &region, const KeptPixels &kept)
{
    const int scale = keptViewScale(kept.area);
    QImage view(kept.area * scale, QImage::Format_RGB32);
    for (int y = 0; y < kept.area.height(); ++y)
        for (int x = 0; x < kept.area.width(); ++x) {
            const QRgb colour = region.valid(x, y) ? region.pixel(x, y) : qRgb(255, 0, 0);
            const QPoint corner(x * scale, y * scale);
            const KeptPixels::Fate fate = kept.fate(x, y);
            if (fate == KeptPixels::Fate::Dropped) {
                drawDropped(view, corner, scale, colour);
                continue;
            }
            if (fate == KeptPixels::Fate::Differs) {
                drawDiffering(view, corner, scale, colour);
                continue;
            }
            const QRgb flat = fate == KeptPixels::Fate::Kept ? colour : dimmed(colour);
            for (int j = 0; j < scale; ++j)
                std::fill_n(reinterpret_cast<QRgb *>(view.scanLine(corner.y() + j)) + corner.x(),
                            scale, flat);
        }
    return view;
}

void markDiffering(KeptPixels &kept, const std::vector<QPoint> &points)
{
    for (const QPoint point : points)
        if (point.x() < kept.area.width() && point.y() < kept.area.height() &&
            kept.fate(point.x(), point.y()) == KeptPixels::Fate::Kept)
            kept.fates[size_t(point.y()) * size_t(kept.area.width()) + size_t(point.x())] =
                KeptPixels::Fate::Differs;
}

PeakPlane::PeakPlane(const QImage &picture) : PeakPlane(picture.size())
{
    addRows(picture, 0);
}

PeakPlane::PeakPlane(QSize size)
    : m_width(size.width()), m_height(size.height()),
      m_peaks(std::make_unique_for_overwrite<unsigned char[]>(size_t(std::max(0, m_width)) *
                                                              size_t(std::max(0, m_height))))
{}

bool PeakPlane::addRows(const QImage &rows, int top, const std::atomic<bool> *cancelled)
{
    // A strip of rows at a time: a cancel is seen between two strips, and a picture of another
    // format is converted a strip at a time, never copied whole.
    constexpr int stripRows = 256;
    for (int first = 0; first < rows.height() && top + first < m_height; first += stripRows) {
        if (cancelled && *cancelled)
            return false;
        const int count = std::min(stripRows, rows.height() - first);
        // The strip reads the picture's own rows; nothing is copied.
        const QImage strip(rows.constScanLine(first), rows.width(), count, rows.bytesPerLine(),
                           rows.format());
        const QImage rgb =
            strip.format() == QImage::Format_RGB32 || strip.format() == QImage::Format_ARGB32
                ? strip
                : strip.convertToFormat(QImage::Format_RGB32);
        const int width = std::min(m_width, rgb.width());
        for (int y = 0; y < count && top + first + y < m_height; ++y) {
            const auto *in = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
            unsigned char *out = m_peaks.get() + size_t(top + first + y) * size_t(m_width);
            for (int x = 0; x < width; ++x)
                out[x] =
                    static_cast<unsigned char>(peakOf({qRed(in[x]), qGreen(in[x]), qBlue(in[x])}));
            for (int x = 0; x < width; ++x)
                ++m_counts[out[x]];
        }
    }
    return !(cancelled && *cancelled);
}

} // namespace corvantile
