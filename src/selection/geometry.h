#pragma once

#include <QString>
#include <optional>

namespace corvantile {

// The top-left corner typed into the corner box: x before the first comma, y after it. Without
// a comma there is no x (the old one stays) and the whole text is y.
struct TypedCorner
{
    std::optional<double> x;
    double y = 0;
};

TypedCorner parseCorner(const QString &text);

// The corner as the release writes it: "x, y".
QString cornerText(float x, float y);

} // namespace corvantile
