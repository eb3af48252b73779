#pragma once

#include <Qt>

class QKeyEvent;

namespace corvantile {

// Mouse buttons as the tool's handlers see them: left 1, right 2, middle 4; a held-button state
// is the sum of the buttons held.
enum MouseButtonCode : int { LeftButton = 1, RightButton = 2, MiddleButton = 4 };

int buttonCode(Qt::MouseButton button);
int buttonStateCode(Qt::MouseButtons buttons);
// Shift 1, Ctrl 2, Alt 4.
int shiftStateCode(Qt::KeyboardModifiers modifiers);

// The keys that stand for a right-button release on the focused control: the Menu key and
// Shift+F10.
bool isMenuKey(const QKeyEvent &event);

} // namespace corvantile
