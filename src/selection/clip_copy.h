#pragma once

#include <QImage>

namespace corvantile {

class PictureBox;

// Copies the w x h region of a screenshot whose top-left is (x, y) into the clip box at its
// origin, one pixel for one. Fractional values are rounded to whole pixels (halves to even);
// only the part of the region that lies on the screenshot is copied, so a corner off the
// picture leaves the matching part of the clip showing its background, and a negative or
// empty size copies nothing. The work is bounded by the clip box, whatever the numbers.
void copyRegion(PictureBox &clip, const QImage &screenshot, double x, double y, double w, double h);

// Whether the clip box holds a region copied from a screenshot other than `shown`: a paste
// since leaves the clip as it was, and a definition made then comes from the earlier one.
bool clipOfAnotherScreenshot(const PictureBox &clip, const QImage &shown);
// What the outcome of Create Object or Ctrl+F adds then.
inline constexpr const char *earlierClipWarning = "; made from the clip of an earlier screenshot";

} // namespace corvantile
