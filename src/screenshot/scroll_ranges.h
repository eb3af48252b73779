#pragma once

namespace corvantile {

// The largest scroll value for a view of innerOuter pixels (border included) in a viewport of
// viewportOuter pixels: the difference plus 3, held in the 16-bit range of a scroll bar. It is
// negative when the view is smaller than the viewport.
int scrollMaximum(int innerOuter, int viewportOuter);

// The maximum given to the bar. A Qt scroll bar cannot take a maximum below its minimum of 0
// (it would move the minimum instead), so a view smaller than the viewport holds the bar at 0,
// which leaves the view at the viewport's top-left.
int barMaximum(int maximum);

// The longest side a picture may have for its view (the picture plus viewBorders pixels of
// border) to keep the scroll maximum inside the 16-bit range, so that the bar still reaches
// the picture's last column or row.
int largestScrollableSide(int viewportOuter, int viewBorders);

} // namespace corvantile
