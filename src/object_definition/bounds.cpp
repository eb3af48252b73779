#include "bounds.h"

#include "common/numbers.h"

namespace corvantile {

std::int16_t boundFromText(const QString &text)
{
    return int16Clamped(numericValue(text));
}

QString nameWithoutSpaces(QString name)
{
    return name.replace(u' ', u'_');
}

} // namespace corvantile
