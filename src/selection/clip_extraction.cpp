// The clip copy: whatever the corner, width and height boxes say is copied from the screenshot
// into the clip box, on every change of one of them.

#include "common/numbers.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "selection/clip_copy.h"
#include "selection/geometry.h"

#include <QLineEdit>

namespace corvantile {

void Form1::DrawPicClip()
{
    if (state.settingFields)
        return; // the release on the view is writing the boxes and copies the clip itself

    const TypedCorner corner = parseCorner(txtCoords->text());
    // A value that does not fit a single-precision coordinate leaves the old one in place.
    if (corner.x)
        if (const auto x = singleFromDouble(*corner.x))
            state.startX = *x;
    if (const auto y = singleFromDouble(corner.y))
        state.startY = *y;

    PicInner->cls(); // a band still shown on the view goes away
    picClip->cls();
    const double w = numericValue(txtWidth->text());
    const double h = numericValue(txtHeight->text());
    // No cap and no resize here: a region larger than the clip box is cut at its edge.
    copyRegion(*picClip, PicInner->picture(), state.startX, state.startY, w, h);
}

// What a screen reader is told the clip box holds: the marked region, as the boxes say it.
void Form1::describeRegion()
{
    const double w = numericValue(txtWidth->text());
    const double h = numericValue(txtHeight->text());
    const QString corner = txtCoords->text().trimmed();
    picClip->describeContents(w > 0 && h > 0
                                  ? QStringLiteral("%1 \u00d7 %2 region at %3")
                                        .arg(QString::number(w), QString::number(h),
                                             corner.isEmpty() ? QStringLiteral("0, 0") : corner)
                                  : QStringLiteral("no region marked"));
}

void Form1::txtCoords_Change()
{
    DrawPicClip();
    describeRegion();
}

void Form1::txtWidth_Change()
{
    DrawPicClip();
    describeRegion();
}

void Form1::txtHeight_Change()
{
    DrawPicClip();
    describeRegion();
}

} // namespace corvantile
