#include "scroll_bar.h"

#include <QKeyEvent>
#include <QPainter>

namespace corvantile {

void ScrollBar::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (orientation() == Qt::Horizontal && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        const bool towardsStart = (key == Qt::Key_Left) != isRightToLeft();
        triggerAction(towardsStart ? SliderSingleStepSub : SliderSingleStepAdd);
        event->accept();
        return;
    }
    QScrollBar::keyPressEvent(event);
}

void ScrollBar::paintEvent(QPaintEvent *event)
{
    QScrollBar::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

} // namespace corvantile
