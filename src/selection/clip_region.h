#pragma once

#include "common/window_state.h"
#include "selection/selection_controls.h"

#include <QObject>

namespace corvantile {

// The clip copy: whatever the corner, width and height boxes say is copied from the screenshot
// into the clip box, on every change of one of them, and a screen reader is told the region.
class ClipRegion : public QObject
{
    Q_OBJECT

public:
    // Connects the three boxes to their handlers, directly: a write to a box copies the clip
    // before the write returns.
    ClipRegion(const SelectionControls &controls, WindowState &state);

    void DrawPicClip();
    // The change handler of the corner, width and height boxes alike: the clip copied anew, and
    // the region described.
    void region_Change();
    // Tells a screen reader what the clip box holds: the region the boxes say, and whether it
    // was copied from a screenshot the view no longer shows.
    void describeRegion();

private:
    SelectionControls m_controls;
    WindowState &m_state; // the window's, which outlives this
};

} // namespace corvantile
