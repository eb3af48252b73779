#include "sunken_frame.h"

#include "common/screen_grid.h"

#include <QApplication>
#include <QMouseEvent>
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
    for (QWidget *w : {static_cast<QWidget *>(this), m_client}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

bool SunkenFrame::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return passOn(static_cast<QWidget *>(watched), static_cast<QMouseEvent *>(event));
    default:
        return false;
    }
}

// Whether a point of the window (layout pixels with their fraction) lies on a screen pixel
// that the inside shows. Qt draws the inside on the screen pixels from its edges, in screen
// pixels, each rounded to the nearest whole one.
bool SunkenFrame::insideDrawn(QPointF windowPoint) const
{
    const qreal scale = devicePixelRatioF();
    const QRectF inside(m_client->mapTo(window(), QPointF(0, 0)), QSizeF(m_client->size()));
    const QPoint pixel(wholeAtOrBefore(windowPoint.x() * scale),
                       wholeAtOrBefore(windowPoint.y() * scale));
    return pixel.x() >= qRound(inside.left() * scale) &&
           pixel.x() < qRound(inside.right() * scale) &&
           pixel.y() >= qRound(inside.top() * scale) && pixel.y() < qRound(inside.bottom() * scale);
}

// A press passed on keeps the moves and the release that follow it for the same child, as
// Qt keeps them for the control that took the press.
bool SunkenFrame::passOn(QWidget *watched, QMouseEvent *event)
{
    QWidget *child = m_pressed;
    if (!child && insideDrawn(event->scenePosition())) {
        const QPointF inClient = m_client->mapFrom(watched, event->position());
        for (QWidget *candidate : m_client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (candidate->isVisible() && QRectF(candidate->geometry()).contains(inClient))
                child = candidate;
    }
    if (!child)
        return false;
    if (event->type() == QEvent::MouseButtonPress)
        m_pressed = child;
    else if (event->type() == QEvent::MouseButtonRelease && event->buttons() == Qt::NoButton)
        m_pressed = nullptr;
    QMouseEvent passed(event->type(), child->mapFrom(watched, event->position()),
                       event->scenePosition(), event->globalPosition(), event->button(),
                       event->buttons(), event->modifiers(), event->pointingDevice());
    passed.setTimestamp(event->timestamp());
    QApplication::sendEvent(child, &passed);
    return true;
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
