#pragma once

namespace corvantile {

// The largest scroll value for a view of innerOuter pixels (its border of innerBorder pixels
// included) in a viewport that shows viewportInner pixels: the value that brings the view's
// last picture column into the viewport, with the viewport's last column on the view's
// border. On an unscaled screen (borders of 2) that is the view's outer size less the
// viewport's outer size plus 3. Held in the 16-bit range of a scroll bar; negative when the
// view is smaller than the viewport.
int scrollMaximum(int innerOuter, int viewportInner, int innerBorder);

// The maximum given to the bar. A Qt scroll bar cannot take a maximum below its minimum of 0
// (it would move the minimum instead), so a view smaller than the viewport holds the bar at 0,
// which leaves the view at the viewport's top-left.
int barMaximum(int maximum);

// The longest side a picture may have for its view (the picture plus viewBorders pixels of
// border) to keep the scroll maximum inside the 16-bit range, so that the bar still reaches
// the picture's last column or row.
int largestScrollableSide(int viewportOuter, int viewBorders);

} // namespace corvantile
