#pragma once

#include "common/colour.h"

#include <QString>

namespace corvantile {

// Status line while the pointer moves over the screenshot: position and the colour under it,
// for example "120, 45   /   R=255 G=128 B=0".
QString hoverCaption(float x, float y, ColourValue colour);

// Status line during a left-button drag: top-left corner, then width and height, for example
// "20, 40 / 30 - 50".
QString dragCaption(float left, float top, float width, float height);

} // namespace corvantile
