#include "keyboard_cursor.h"

#include <QKeyEvent>
#include <algorithm>

namespace corvantile {

std::optional<QPoint> cursorMovedBy(const QKeyEvent &key, QPoint at, QSize size)
{
    if (size.isEmpty())
        return std::nullopt;
    const int step = key.modifiers() & Qt::ShiftModifier ? 10 : 1;
    switch (key.key()) {
    case Qt::Key_Left:
        at.rx() -= step;
        break;
    case Qt::Key_Right:
        at.rx() += step;
        break;
    case Qt::Key_Up:
        at.ry() -= step;
        break;
    case Qt::Key_Down:
        at.ry() += step;
        break;
    case Qt::Key_Home:
        at.setX(0);
        break;
    case Qt::Key_End:
        at.setX(size.width() - 1);
        break;
    default:
        return std::nullopt;
    }
    return QPoint(std::clamp(at.x(), 0, size.width() - 1),
                  std::clamp(at.y(), 0, size.height() - 1));
}

} // namespace corvantile
