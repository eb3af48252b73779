#include "clip_copy.h"

#include "common/numbers.h"
#include "controls/picture_box.h"

namespace corvantile {

void copyRegion(PictureBox &clip, const QImage &screenshot, double x, double y, double w, double h)
{
    const int width = pixelFromDouble(w);
    const int height = pixelFromDouble(h);
    if (width <= 0 || height <= 0)
        return;
    clip.paintPicture(screenshot, QRect(pixelFromDouble(x), pixelFromDouble(y), width, height),
                      QPoint(0, 0));
    clip.setCopiedFrom(screenshot.cacheKey());
}

bool clipOfAnotherScreenshot(const PictureBox &clip, const QImage &shown)
{
    return clip.copiedFrom() != 0 && clip.copiedFrom() != shown.cacheKey();
}

} // namespace corvantile
