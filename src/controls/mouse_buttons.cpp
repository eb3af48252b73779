#include "mouse_buttons.h"

#include <QKeyEvent>

namespace corvantile {

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return LeftButton;
    case Qt::RightButton:
        return RightButton;
    case Qt::MiddleButton:
        return MiddleButton;
    default:
        return 0;
    }
}

int buttonStateCode(Qt::MouseButtons buttons)
{
    int code = 0;
    if (buttons & Qt::LeftButton)
        code += LeftButton;
    if (buttons & Qt::RightButton)
        code += RightButton;
    if (buttons & Qt::MiddleButton)
        code += MiddleButton;
    return code;
}

int shiftStateCode(Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (modifiers & Qt::ShiftModifier)
        code += 1;
    if (modifiers & Qt::ControlModifier)
        code += 2;
    if (modifiers & Qt::AltModifier)
        code += 4;
    return code;
}

bool isMenuKey(const QKeyEvent &event)
{
    return event.key() == Qt::Key_Menu ||
           (event.key() == Qt::Key_F10 && event.modifiers() == Qt::ShiftModifier);
}

} // namespace corvantile
