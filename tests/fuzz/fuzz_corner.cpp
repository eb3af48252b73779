// The corner typed into the geometry box, and the corner text the rubber band writes.

#include "selection/geometry.h"

#include <QString>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const corvantile::TypedCorner corner = corvantile::parseCorner(text);
    if (corner.x.has_value() != text.contains(u','))
        std::abort(); // x comes from before the first comma, and only when there is one

    // Any corner the rubber band writes reads back as the same corner.
    if (size >= 8) {
        int32_t x = 0;
        int32_t y = 0;
        std::memcpy(&x, data, 4);
        std::memcpy(&y, data + 4, 4);
        const float fx = static_cast<float>(x % 100000);
        const float fy = static_cast<float>(y % 100000);
        const corvantile::TypedCorner back =
            corvantile::parseCorner(corvantile::cornerText(fx, fy));
        if (!back.x || *back.x != fx || back.y != fy)
            std::abort();
    }
    return 0;
}
