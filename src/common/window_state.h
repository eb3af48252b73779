#pragma once

#include <cstdint>
#include <optional>

namespace corvantile {

// The variables of the main window that its handlers share. Everything is zero until the
// window's start-up gives the fields their first values.
struct WindowState
{
    // The rubber band is drawn as a box; set at start-up and on every resize of the view.
    bool drawBox = false;
    // Far corner of the band now drawn, so that drawing it again in invert mode erases it.
    float lastX = 0, lastY = 0;
    // Press point of the drag; also the typed top-left corner of the marked region.
    float startX = 0, startY = 0;
    // Top-left corner of the rectangle being dragged.
    float leftX = 0, topY = 0;
    // Slot filled by the last bitmap paste; -1 none. A counter, not a count: it goes past 7.
    std::int16_t bufferIndex = 0;
    // True while the release on the view writes the geometry boxes, so they copy nothing.
    bool settingFields = false;
    // The image the pop-up menu was last opened on: slot 0 to 7, or clipMenuTarget.
    std::optional<std::int16_t> menuTarget;
    // Inclusive colour bounds of a kept pixel.
    std::int16_t redFrom = 0, redTo = 0;
    std::int16_t greenFrom = 0, greenTo = 0;
    std::int16_t blueFrom = 0, blueTo = 0;
};

// menuTarget when the menu was opened on the clip box.
constexpr std::int16_t clipMenuTarget = 99;

} // namespace corvantile
