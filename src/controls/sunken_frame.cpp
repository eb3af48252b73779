#include "sunken_frame.h"

#include "common/screen_grid.h"

#include <QPainter>

namespace corvantile {

void paintSunkenPanel(QPainter &painter, const QRect &outer, int width, const QPalette &pal,
                      bool focused)
{
    const int b = width;
    for (int i = 0; i < b; ++i) {
        const bool outerHalf = i < b / 2;
        const QColor upper = outerHalf ? pal.color(QPalette::Dark) : pal.color(QPalette::Shadow);
        const QColor lower = outerHalf ? pal.color(QPalette::Light) : pal.color(QPalette::Midlight);
        const QRect r = outer.adjusted(i, i, -i, -i);
        if (r.width() <= 0 || r.height() <= 0)
            break;
        painter.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), upper);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), upper);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), lower);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), lower);
    }
    if (focused) {
        // The inner half of the border in the highlight colour: as plain to see as the ring
        // round the clip box, and never on the pixels inside.
        const int inner = b / 2;
        const QRect ring = outer.adjusted(inner, inner, -inner, -inner);
        const int w = b - inner;
        const QColor mark = pal.color(QPalette::Highlight);
        painter.fillRect(QRect(ring.left(), ring.top(), ring.width(), w), mark);
        painter.fillRect(QRect(ring.left(), ring.bottom() - w + 1, ring.width(), w), mark);
        painter.fillRect(QRect(ring.left(), ring.top(), w, ring.height()), mark);
        painter.fillRect(QRect(ring.right() - w + 1, ring.top(), w, ring.height()), mark);
    }
}

SunkenFrame::SunkenFrame(QWidget *parent) : QWidget(parent), m_client(new QWidget(this))
{
    setContentsMargins(2, 2, 2, 2);
}

void SunkenFrame::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_client->setGeometry(contentsRect());
}

// Drawn over the whole screen pixels the frame covers, so that its lines are whole at any
// scale.
void SunkenFrame::paintEvent(QPaintEvent *)
{
    const ScreenGrid grid =
        ScreenGrid::covering(devicePixelRatioF(), mapTo(window(), QPoint(0, 0)), rect());
    QPainter painter(this);
    painter.setWorldTransform(QTransform()
                                  .scale(1 / grid.scale(), 1 / grid.scale())
                                  .translate(grid.inset().x(), grid.inset().y()));
    paintSunkenPanel(painter, QRect(QPoint(0, 0), grid.size()), grid.lineWidth(2), palette(),
                     hasFocus());
}

} // namespace corvantile
