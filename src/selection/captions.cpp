#include "captions.h"

#include "common/numbers.h"

namespace corvantile {

QString hoverCaption(float x, float y, ColourValue colour)
{
    const Channels c = channelsOf(colour);
    return numberText(x) + QStringLiteral(", ") + numberText(y) + QStringLiteral("   /   R=") +
           numberText(c.red) + QStringLiteral(" G=") + numberText(c.green) + QStringLiteral(" B=") +
           numberText(c.blue);
}

QString dragCaption(float left, float top, float width, float height)
{
    return numberText(left) + QStringLiteral(", ") + numberText(top) + QStringLiteral(" / ") +
           numberText(width) + QStringLiteral(" - ") + numberText(height);
}

} // namespace corvantile
