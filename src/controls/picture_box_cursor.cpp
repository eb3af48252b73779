// The keyboard's cursor on a picture box: moved by keys, reported as the mouse's moves are.

#include "picture_box.h"

#include "mouse_buttons.h"

#include <QKeyEvent>
#include <algorithm>

namespace corvantile {

// True when the key moved the cursor, or pressed or released the button at it.
bool PictureBox::moveKeyboardCursor(const QKeyEvent &key)
{
    const QSize size = drawingSize();
    if (!m_keyCursorOn || size.isEmpty())
        return false;
    const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
    const int step = key.modifiers() & Qt::ShiftModifier ? 10 : 1;
    QPoint at = m_keyCursor.value_or(QPoint());
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
        if (!enter)
            return false;
    }
    // The first key only puts the cursor where the user looks: the top-left of the part shown.
    if (!m_keyCursor)
        at = shownDrawing().topLeft();
    at = QPoint(std::clamp(at.x(), 0, size.width() - 1), std::clamp(at.y(), 0, size.height() - 1));
    const int b = borderWidth();
    for (const std::optional<QPoint> &mark : {m_keyCursor, std::optional(at)})
        if (mark)
            update(m_grid.repaintRect(
                QRect(*mark + QPoint(b, b), QSize(1, 1)).adjusted(-2, -2, 2, 2)));
    m_keyCursor = at;
    const auto x = static_cast<float>(at.x()), y = static_cast<float>(at.y());
    if (enter) {
        m_keyPressed = !m_keyPressed;
        if (m_keyPressed)
            emit mouseDown(buttonCode(Qt::LeftButton), 0, x, y);
        else
            emit mouseUp(buttonCode(Qt::LeftButton), 0, x, y);
    } else {
        emit mouseMove(m_keyPressed ? buttonCode(Qt::LeftButton) : 0, 0, x, y);
    }
    emit keyboardCursorMoved(at);
    return true;
}

} // namespace corvantile
