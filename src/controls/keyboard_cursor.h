#pragma once

#include <QPoint>
#include <QSize>
#include <optional>

class QKeyEvent;

namespace corvantile {

// Where a key moves a keyboard's cursor over the pixels of a picture of `size`: an arrow by one
// pixel, ten with Shift, Home and End to the ends of the row, never past the picture's edges.
// Nothing for any other key, or over an empty picture.
std::optional<QPoint> cursorMovedBy(const QKeyEvent &key, QPoint at, QSize size);

} // namespace corvantile
