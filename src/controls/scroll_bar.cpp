#include "scroll_bar.h"

#include <QKeyEvent>

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

} // namespace corvantile
