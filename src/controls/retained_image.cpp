#include "retained_image.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace corvantile {
namespace {

// Tiles are keyed by their column and row; both are never negative, as nothing is drawn
// outside the drawing area.
quint64 tileKey(int tx, int ty)
{
    return (static_cast<quint64>(static_cast<quint32>(tx)) << 32) | static_cast<quint32>(ty);
}

QPoint tileOrigin(quint64 key, int tileSize)
{
    return {static_cast<int>(key >> 32) * tileSize, static_cast<int>(key & 0xffffffffu) * tileSize};
}

// The k in [0, length) for which start + k * step lies in [0, limit), as a half-open range.
// step is -1, 0 or 1.
std::pair<qint64, qint64> insideRange(qint64 start, int step, qint64 length, qint64 limit)
{
    if (step == 0)
        return (start >= 0 && start < limit) ? std::pair<qint64, qint64>{0, length}
                                             : std::pair<qint64, qint64>{0, 0};
    qint64 from = 0;
    qint64 to = length;
    if (step > 0) {
        from = std::max<qint64>(from, -start);
        to = std::min<qint64>(to, limit - start);
    } else {
        from = std::max<qint64>(from, start - limit + 1);
        to = std::min<qint64>(to, start + 1);
    }
    return {from, std::max(from, to)};
}

} // namespace

RetainedImage::RetainedImage(QRgb background, std::function<void(const QRect &)> changed)
    : m_back(background), m_changed(std::move(changed))
{}

void RetainedImage::setPicture(const QImage &picture)
{
    m_picture = (picture.isNull() || picture.format() == QImage::Format_RGB32)
                    ? picture
                    : picture.convertToFormat(QImage::Format_RGB32);
    m_tiles.clear();
}

QRgb RetainedImage::basePixel(int x, int y) const
{
    if (x < m_picture.width() && y < m_picture.height())
        return reinterpret_cast<const QRgb *>(m_picture.constScanLine(y))[x];
    return m_back;
}

const QImage *RetainedImage::findTile(int tx, int ty) const
{
    const auto it = m_tiles.constFind(tileKey(tx, ty));
    return it == m_tiles.cend() ? nullptr : &it.value();
}

QImage &RetainedImage::tileAt(int tx, int ty)
{
    auto it = m_tiles.find(tileKey(tx, ty));
    if (it != m_tiles.end())
        return it.value();
    QImage tile(tileSize, tileSize, QImage::Format_RGB32);
    tile.fill(m_back);
    const QRect inPicture =
        QRect(tx * tileSize, ty * tileSize, tileSize, tileSize).intersected(m_picture.rect());
    for (int y = inPicture.top(); y <= inPicture.bottom(); ++y) {
        const auto *from = reinterpret_cast<const QRgb *>(m_picture.constScanLine(y));
        auto *to = reinterpret_cast<QRgb *>(tile.scanLine(y - ty * tileSize));
        std::memcpy(to + (inPicture.left() - tx * tileSize), from + inPicture.left(),
                    sizeof(QRgb) * static_cast<size_t>(inPicture.width()));
    }
    return m_tiles.insert(tileKey(tx, ty), tile).value();
}

ColourValue RetainedImage::point(int x, int y) const
{
    const QSize area = m_area;
    if (x < 0 || y < 0 || x >= area.width() || y >= area.height())
        return outsideColour;
    if (const QImage *tile = findTile(x / tileSize, y / tileSize))
        return colourValueFromRgb(tile->pixel(x % tileSize, y % tileSize));
    return colourValueFromRgb(basePixel(x, y));
}

void RetainedImage::cls()
{
    if (m_tiles.isEmpty())
        return;
    for (auto it = m_tiles.cbegin(); it != m_tiles.cend(); ++it)
        m_changed(QRect(tileOrigin(it.key(), tileSize), QSize(tileSize, tileSize)));
    m_tiles.clear();
}

void RetainedImage::plot(int x, int y)
{
    QImage &tile = tileAt(x / tileSize, y / tileSize);
    QRgb &pixel = reinterpret_cast<QRgb *>(tile.scanLine(y % tileSize))[x % tileSize];
    if (m_drawMode == DrawMode::Invert)
        pixel = 0xff000000u | (~pixel & 0x00ffffffu);
    else
        pixel = m_foreColor;
}

void RetainedImage::drawSegment(QPoint start, QPoint step, qint64 length, qint64 offset)
{
    const QSize area = m_area;
    const auto [fromX, toX] = insideRange(start.x(), step.x(), length, area.width());
    const auto [fromY, toY] = insideRange(start.y(), step.y(), length, area.height());
    const qint64 from = std::max(fromX, fromY);
    const qint64 to = std::min(toX, toY);
    if (from >= to)
        return;
    // The dotted style is one pixel on, two off, counted along the outline from its start.
    const bool dotted = m_lineStyle == LineStyle::Dot;
    for (qint64 k = from; k < to; ++k) {
        if (dotted && (offset + k) % 3 != 0)
            continue;
        plot(static_cast<int>(start.x() + k * step.x()),
             static_cast<int>(start.y() + k * step.y()));
    }
    const QPoint first(static_cast<int>(start.x() + from * step.x()),
                       static_cast<int>(start.y() + from * step.y()));
    const QPoint last(static_cast<int>(start.x() + (to - 1) * step.x()),
                      static_cast<int>(start.y() + (to - 1) * step.y()));
    m_changed(QRect(QPoint(std::min(first.x(), last.x()), std::min(first.y(), last.y())),
                    QPoint(std::max(first.x(), last.x()), std::max(first.y(), last.y()))));
}

void RetainedImage::drawBoxOutline(QPoint a, QPoint b)
{
    // Corners given in any order; QRect::normalized() would misplace reversed corners.
    const int left = std::min(a.x(), b.x());
    const int right = std::max(a.x(), b.x());
    const int top = std::min(a.y(), b.y());
    const int bottom = std::max(a.y(), b.y());
    const qint64 w = static_cast<qint64>(right) - left;
    const qint64 h = static_cast<qint64>(bottom) - top;
    if (h == 0) {
        drawSegment({left, top}, {1, 0}, w + 1, 0);
        return;
    }
    if (w == 0) {
        drawSegment({left, top}, {0, 1}, h + 1, 0);
        return;
    }
    // Clockwise from the top-left corner, each pixel of the outline exactly once.
    drawSegment({left, top}, {1, 0}, w + 1, 0);
    drawSegment({right, top + 1}, {0, 1}, h, w + 1);
    drawSegment({right - 1, bottom}, {-1, 0}, w, w + 1 + h);
    drawSegment({left, bottom - 1}, {0, -1}, h - 1, 2 * w + 1 + h);
}

void RetainedImage::paintPicture(const QImage &source, const QRect &sourceRect, QPoint destination)
{
    if (source.isNull() || sourceRect.isEmpty())
        return;
    const QImage rgb = source.format() == QImage::Format_RGB32
                           ? source
                           : source.convertToFormat(QImage::Format_RGB32);
    // Map the source rectangle onto the drawing area and keep what both can hold.
    const QPoint shift = destination - sourceRect.topLeft();
    const QRect target = sourceRect.intersected(rgb.rect())
                             .translated(shift)
                             .intersected(QRect(QPoint(0, 0), m_area));
    if (target.isEmpty())
        return;
    for (int ty = target.top() / tileSize; ty <= target.bottom() / tileSize; ++ty) {
        for (int tx = target.left() / tileSize; tx <= target.right() / tileSize; ++tx) {
            const QRect part =
                target.intersected(QRect(tx * tileSize, ty * tileSize, tileSize, tileSize));
            QImage &tile = tileAt(tx, ty);
            for (int y = part.top(); y <= part.bottom(); ++y) {
                const auto *from = reinterpret_cast<const QRgb *>(rgb.constScanLine(y - shift.y()));
                auto *to = reinterpret_cast<QRgb *>(tile.scanLine(y - ty * tileSize));
                std::memcpy(to + (part.left() - tx * tileSize), from + (part.left() - shift.x()),
                            sizeof(QRgb) * static_cast<size_t>(part.width()));
            }
        }
    }
    m_changed(target);
}

QImage RetainedImage::image() const
{
    const QSize area = m_area;
    QImage out(area, QImage::Format_RGB32);
    if (out.isNull())
        return out;
    out.fill(m_back);
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (!m_picture.isNull())
        painter.drawImage(QPoint(0, 0), m_picture);
    for (auto it = m_tiles.cbegin(); it != m_tiles.cend(); ++it)
        painter.drawImage(tileOrigin(it.key(), tileSize), it.value());
    return out;
}

void RetainedImage::paint(QPainter &painter, const QRect &part, QPoint at) const
{
    const QRect inArea = part.intersected(QRect(QPoint(0, 0), m_area));
    if (inArea.isEmpty())
        return;
    painter.fillRect(inArea.translated(at), QColor(m_back));
    const QRect fromPicture = inArea.intersected(m_picture.rect());
    if (!fromPicture.isEmpty())
        painter.drawImage(fromPicture.topLeft() + at, m_picture, fromPicture);
    if (m_tiles.isEmpty())
        return;
    // Only the tiles under the part are looked at.
    for (int ty = inArea.top() / tileSize; ty <= inArea.bottom() / tileSize; ++ty) {
        for (int tx = inArea.left() / tileSize; tx <= inArea.right() / tileSize; ++tx) {
            const QImage *tile = findTile(tx, ty);
            if (!tile)
                continue;
            const QRect tileRect(tx * tileSize, ty * tileSize, tileSize, tileSize);
            const QRect piece = tileRect.intersected(inArea);
            painter.drawImage(piece.topLeft() + at, *tile, piece.translated(-tileRect.topLeft()));
        }
    }
}

} // namespace corvantile
