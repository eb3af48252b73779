// The keyboard's cursor on a picture box: moved by keys, reported as the mouse's moves are.

#include "picture_box.h"

#include "keyboard_cursor.h"
#include "mouse_buttons.h"

#include <QKeyEvent>

namespace corvantile {

// True when the key moved the cursor, or pressed or released the button at it.
bool PictureBox::moveKeyboardCursor(const QKeyEvent &key)
{
    const QSize size = drawingSize();
    if (!m_keyCursorOn || size.isEmpty())
        return false;
    const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
    const QPoint from = m_keyCursor.value_or(QPoint());
    std::optional<QPoint> moved = enter ? from : cursorMovedBy(key, from, size);
    if (!moved)
        return false;
    // The first key only puts the cursor where the user looks: the top-left of the part shown.
    const QPoint at = m_keyCursor ? *moved : shownDrawing().topLeft();
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
