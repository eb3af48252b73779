#include "focus_mark.h"

#include "accessibility.h"

#include <QEvent>
#include <QPainter>

namespace corvantile {

namespace {
constexpr int gap = 2; // the ring's distance from the control, in pixels
}

FocusMark::FocusMark(QWidget *target) : QWidget(target->parentWidget()), m_target(target)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleRole(this, QAccessible::NoRole);
    target->installEventFilter(this);
    follow();
    stackUnder(target);
    setVisible(target->hasFocus());
}

bool FocusMark::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
        follow();
        break;
    case QEvent::FocusIn:
        show();
        stackUnder(m_target);
        break;
    case QEvent::FocusOut:
        hide();
        break;
    default:
        break;
    }
    return false;
}

void FocusMark::follow()
{
    setGeometry(m_target->geometry().adjusted(-gap, -gap, gap, gap));
}

void FocusMark::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace corvantile
