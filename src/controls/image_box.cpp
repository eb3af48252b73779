#include "image_box.h"

#include "accessibility.h"
#include "common/screen_grid.h"
#include "mouse_buttons.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace corvantile {
namespace {

// The cheap first pass of a smooth scaling to size, or the picture itself when it is small.
QImage coarseFor(const QImage &picture, QSize size)
{
    const QSize coarse = size * 4;
    if (!size.isEmpty() && picture.width() > 2 * coarse.width() &&
        picture.height() > 2 * coarse.height())
        return picture.scaled(coarse, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return picture;
}

// Scales a picture to size. Smooth scaling of a huge screenshot straight down to a thumbnail
// is slow, so a cheap pass first brings it to a few times the target size.
QImage scaledTo(const QImage &picture, QSize size, ImageBox::Scaling scaling)
{
    if (scaling == ImageBox::Scaling::Pixelated)
        return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return coarseFor(picture, size).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// A frame `width` pixels wide just inside `r`.
void ring(QPainter &painter, const QRect &r, int width, const QColor &colour)
{
    painter.fillRect(QRect(r.left(), r.top(), r.width(), width), colour);
    painter.fillRect(QRect(r.left(), r.bottom() - width + 1, r.width(), width), colour);
    painter.fillRect(QRect(r.left(), r.top(), width, r.height()), colour);
    painter.fillRect(QRect(r.right() - width + 1, r.top(), width, r.height()), colour);
}

} // namespace

ImageBox::ImageBox(QWidget *parent) : QWidget(parent)
{
    describe();
}

// What a screen reader is told the control holds.
void ImageBox::describe()
{
    const QString text =
        m_picture.isNull() ? QStringLiteral("empty") : sizeDescription(m_pictureSize);
    if (text != accessibleDescription())
        setAccessibleDescription(text);
}

void ImageBox::setPicture(const QImage &picture, QSize standsFor)
{
    m_pictureSize = standsFor.isValid() ? standsFor : picture.size();
    m_picture = picture;
    if (m_thumbnailOnly && m_scaling == Scaling::Smooth) {
        const ScreenGrid g = grid();
        const int line = lineWidth(g);
        m_picture = coarseFor(picture, g.size() - QSize(2 * line, 2 * line));
    }
    m_scaled = QPixmap();
    update();
    describe();
}

void ImageBox::setCursorCell(std::optional<QPoint> point, QSize points)
{
    m_cursor = points.isEmpty() ? std::nullopt : point;
    m_cursorGrid = points;
    update();
}

void ImageBox::setBorder(bool on)
{
    m_border = on;
    m_scaled = QPixmap();
    update();
}

void ImageBox::setScaling(Scaling scaling)
{
    m_scaling = scaling;
    m_scaled = QPixmap();
    update();
}

// The control is drawn in the screen's own pixels: over the whole screen pixels it covers,
// from the first of them, so that its border is a whole line at any scale and the picture is
// scaled straight to the screen's pixels, never scaled again by the desktop.
ScreenGrid ImageBox::grid() const
{
    return ScreenGrid::covering(devicePixelRatioF(), mapTo(window(), QPoint(0, 0)),
                                QRect(QPoint(0, 0), size()));
}

int ImageBox::lineWidth(const ScreenGrid &grid) const
{
    return m_border ? grid.lineWidth(1) : 0;
}

QPixmap ImageBox::scaledPicture() const
{
    const ScreenGrid g = grid();
    const int line = lineWidth(g);
    const QRect area = QRect(QPoint(0, 0), g.size()).adjusted(line, line, -line, -line);
    if (m_picture.isNull() || area.isEmpty())
        return {};
    if (m_scaled.isNull() || m_scaled.size() != area.size())
        m_scaled = QPixmap::fromImage(scaledTo(m_picture, area.size(), m_scaling));
    return m_scaled;
}

void ImageBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_scaled = QPixmap();
}

void ImageBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const ScreenGrid g = grid();
    painter.setWorldTransform(
        QTransform().scale(1 / g.scale(), 1 / g.scale()).translate(g.inset().x(), g.inset().y()));
    const QPixmap scaled = scaledPicture();
    const int line = lineWidth(g);
    if (!scaled.isNull())
        painter.drawPixmap(QPoint(line, line), scaled);
    if (m_cursor && !scaled.isNull()) {
        // The cell's edges where the scaled picture puts them, a white frame around a black one.
        const QSize area = scaled.size();
        const auto edge = [](int i, int length, int count) { return i * length / count; };
        const int left = edge(m_cursor->x(), area.width(), m_cursorGrid.width());
        const int top = edge(m_cursor->y(), area.height(), m_cursorGrid.height());
        const QRect cell(line + left, line + top,
                         edge(m_cursor->x() + 1, area.width(), m_cursorGrid.width()) - left,
                         edge(m_cursor->y() + 1, area.height(), m_cursorGrid.height()) - top);
        const int width = g.lineWidth(1);
        ring(painter, cell.adjusted(-width, -width, width, width), width, Qt::white);
        ring(painter, cell, width, Qt::black);
    }
    if (line > 0)
        ring(painter, QRect(QPoint(0, 0), g.size()), line, palette().color(QPalette::WindowText));
}

void ImageBox::mouseReleaseEvent(QMouseEvent *event)
{
    emit mouseUp(buttonCode(event->button()), shiftStateCode(event->modifiers()),
                 static_cast<float>(event->position().x()),
                 static_cast<float>(event->position().y()));
}

void ImageBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

} // namespace corvantile
