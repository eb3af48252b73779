#include "clip_region.h"

#include "common/numbers.h"
#include "controls/picture_box.h"
#include "selection/clip_copy.h"
#include "selection/geometry.h"

#include <QLineEdit>

namespace corvantile {

ClipRegion::ClipRegion(const SelectionControls &controls, WindowState &state)
    : m_controls(controls), m_state(state)
{
    for (QLineEdit *box : {controls.txtCoords, controls.txtWidth, controls.txtHeight})
        connect(box, &QLineEdit::textChanged, this, &ClipRegion::region_Change);
}

void ClipRegion::DrawPicClip()
{
    if (m_state.settingFields)
        return; // the release on the view is writing the boxes and copies the clip itself

    const TypedCorner corner = parseCorner(m_controls.txtCoords->text());
    // A value that does not fit a single-precision coordinate leaves the old one in place.
    if (corner.x)
        if (const auto x = singleFromDouble(*corner.x))
            m_state.startX = *x;
    if (const auto y = singleFromDouble(corner.y))
        m_state.startY = *y;

    m_controls.PicInner->cls(); // a band still shown on the view goes away
    m_controls.picClip->cls();
    const double w = numericValue(m_controls.txtWidth->text());
    const double h = numericValue(m_controls.txtHeight->text());
    // No cap and no resize here: a region larger than the clip box is cut at its edge.
    copyRegion(*m_controls.picClip, m_controls.PicInner->picture(), m_state.startX, m_state.startY,
               w, h);
}

// What a screen reader is told the clip box holds: the marked region, as the boxes say it.
void ClipRegion::describeRegion()
{
    const double w = numericValue(m_controls.txtWidth->text());
    const double h = numericValue(m_controls.txtHeight->text());
    const QString corner = m_controls.txtCoords->text().trimmed();
    const bool earlier =
        clipOfAnotherScreenshot(*m_controls.picClip, m_controls.PicInner->picture());
    m_controls.picClip->describeContents(
        w > 0 && h > 0
            ? QStringLiteral("%1 \u00d7 %2 region at %3%4")
                  .arg(QString::number(w), QString::number(h),
                       corner.isEmpty() ? QStringLiteral("0, 0") : corner,
                       earlier ? QStringLiteral(", of the earlier screenshot") : QString())
            : QStringLiteral("no region marked"));
}

void ClipRegion::region_Change()
{
    DrawPicClip();
    describeRegion();
}

} // namespace corvantile
