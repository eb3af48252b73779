#include "geometry.h"

#include "common/numbers.h"

namespace corvantile {

TypedCorner parseCorner(const QString &text)
{
    const qsizetype comma = text.indexOf(u',');
    if (comma < 0)
        return {std::nullopt, numericValue(text)};
    return {numericValue(text.left(comma)), numericValue(text.mid(comma + 1))};
}

QString cornerText(float x, float y)
{
    return numberText(x) + QStringLiteral(", ") + numberText(y);
}

} // namespace corvantile
