#include "window_pointer.h"

#include <QMouseEvent>
#include <QWindow>

namespace corvantile {

WindowPointer::WindowPointer(QWindow *window) : QObject(window)
{
    window->installEventFilter(this);
}

WindowPointer *WindowPointer::of(QWindow *window)
{
    if (auto *tracker = window->findChild<WindowPointer *>(QString(), Qt::FindDirectChildrenOnly))
        return tracker;
    return new WindowPointer(window);
}

QPointF WindowPointer::windowPosition(const QSinglePointEvent &event) const
{
    // An event with no time of its own was not reported by the window system.
    if (m_timestamp != 0 && event.timestamp() == m_timestamp)
        return m_position;
    return event.scenePosition();
}

bool WindowPointer::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const auto *mouse = static_cast<const QMouseEvent *>(event);
        m_position = mouse->scenePosition();
        m_timestamp = mouse->timestamp();
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace corvantile
