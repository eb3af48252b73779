#include "screen_grid.h"

#include <algorithm>
#include <cmath>

namespace corvantile {

int wholeAtOrAfter(qreal v)
{
    return static_cast<int>(std::ceil(v - screenPixelTolerance));
}

int wholeAtOrBefore(qreal v)
{
    return static_cast<int>(std::floor(v + screenPixelTolerance));
}

ScreenGrid::ScreenGrid(qreal scale, QPoint parentAt, QPoint anchor, QPoint position, QSize size)
    : m_scale(scale), m_parentAt(QPointF(parentAt) * scale), m_size(size)
{
    const QPointF anchorAt = m_parentAt + QPointF(anchor) * scale;
    m_origin = QPoint(wholeAtOrAfter(anchorAt.x()), wholeAtOrAfter(anchorAt.y()));
    m_boxAt = m_origin + position;
    const QPoint layoutAt(wholeAtOrBefore((m_boxAt.x() - m_parentAt.x()) / scale),
                          wholeAtOrBefore((m_boxAt.y() - m_parentAt.y()) / scale));
    m_inset = QPointF(m_boxAt) - (m_parentAt + QPointF(layoutAt) * scale);
    const auto layoutSpan = [scale](qreal inset, int span) {
        return span > 0 ? wholeAtOrAfter((inset + span) / scale) : 0;
    };
    m_widget = QRect(layoutAt, QSize(layoutSpan(m_inset.x(), size.width()),
                                     layoutSpan(m_inset.y(), size.height())));
}

ScreenGrid ScreenGrid::covering(qreal scale, QPoint parentAt, const QRect &layoutRect)
{
    const QPointF start = QPointF(parentAt + layoutRect.topLeft()) * scale;
    const QPointF end = start + QPointF(layoutRect.width(), layoutRect.height()) * scale;
    const QSize size(std::max(0, wholeAtOrBefore(end.x()) - wholeAtOrAfter(start.x())),
                     std::max(0, wholeAtOrBefore(end.y()) - wholeAtOrAfter(start.y())));
    return ScreenGrid(scale, parentAt, layoutRect.topLeft(), QPoint(0, 0), size);
}

int ScreenGrid::lineWidth(int layoutPixels, qreal scale)
{
    return layoutPixels <= 0 ? 0 : std::max(1, wholeAtOrBefore(layoutPixels * scale));
}

QPoint ScreenGrid::pixelAt(QPointF windowPoint) const
{
    const QPointF inBox = windowPoint * m_scale - QPointF(m_boxAt);
    return {wholeAtOrBefore(inBox.x()), wholeAtOrBefore(inBox.y())};
}

QPointF ScreenGrid::windowPoint(QPointF boxPoint) const
{
    return (QPointF(m_boxAt) + boxPoint) / m_scale;
}

QRect ScreenGrid::repaintRect(const QRect &boxRect) const
{
    const QPointF topLeft = QPointF(boxRect.topLeft()) + m_inset;
    return QRectF(topLeft / m_scale, QSizeF(boxRect.size()) / m_scale).toAlignedRect();
}

QRect ScreenGrid::boxRect(const QRect &widgetRect) const
{
    return QRectF(QPointF(widgetRect.topLeft()) * m_scale - m_inset,
                  QSizeF(widgetRect.size()) * m_scale)
        .toAlignedRect();
}

QRect ScreenGrid::widgetPixels() const
{
    const QPointF end = QPointF(m_widget.width(), m_widget.height()) * m_scale - m_inset;
    return QRect(QPoint(wholeAtOrAfter(-m_inset.x()), wholeAtOrAfter(-m_inset.y())),
                 QPoint(wholeAtOrBefore(end.x()) - 1, wholeAtOrBefore(end.y()) - 1));
}

QSize ScreenGrid::spanTo(QPoint parentPoint) const
{
    const QPointF end = m_parentAt + QPointF(parentPoint) * m_scale;
    return {wholeAtOrBefore(end.x()) - m_origin.x(), wholeAtOrBefore(end.y()) - m_origin.y()};
}

} // namespace corvantile
