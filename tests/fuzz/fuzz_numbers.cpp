// The readers of numbers: the lenient numeric value, the strict number and the number text.

#include "common/numbers.h"

#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const double lenient = corvantile::numericValue(text);
    if (std::isnan(lenient))
        std::abort(); // the lenient reading never gives "not a number"

    if (const auto strict = corvantile::strictNumber(text)) {
        if (!std::isfinite(*strict))
            std::abort();
        // A text that is one number as a whole reads the same both ways.
        if (*strict != lenient)
            std::abort();
    }

    // The number text is plain decimal and reads back as (nearly) the same number.
    if (std::isfinite(lenient)) {
        const QString written = corvantile::numberText(lenient);
        if (written.contains(u'e') || written.contains(u'E') || written.startsWith(u' '))
            std::abort();
        const double back = corvantile::numericValue(written);
        const double tolerance = std::fabs(lenient) * 1e-13 + 1e-300;
        if (std::fabs(back - lenient) > tolerance)
            std::abort();
    }

    corvantile::int16Clamped(lenient);
    corvantile::pixelFromDouble(lenient);
    corvantile::singleFromDouble(lenient);
    return 0;
}
