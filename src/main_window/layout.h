#pragma once

#include <QRect>
#include <string_view>

// Where the main window and each of its controls stand, in layout pixels. The window, its
// code, its tests and the scripts that drive it all read their places from here; the scripts
// read this file as text, so each control keeps a line of its own.
namespace corvantile::layout {

// The window's client area, at its design place on the screen (a window manager may move it).
inline constexpr QRect window{104, 53, 688, 552};

struct Place
{
    std::string_view name;
    std::string_view container; // the frame that holds the control; empty for the window
    QRect rect;                 // left, top, width and height within the container
};

// A label sized to its caption starts from the size given here. The clip box's size counts
// the screen's own pixels; the screenshot view is placed in the viewport's inside.
inline constexpr Place places[] = {
    {"picScroll", "", {3, 4, 556, 306}},
    {"HScroll1", "", {2, 310, 556, 20}},
    {"VScroll1", "", {558, 3, 18, 307}},
    {"lblCoords", "", {2, 330, 556, 16}},
    {"Label2", "", {6, 350, 95, 13}},
    {"Label4", "", {113, 350, 23, 13}},
    {"txtRedFrom", "", {141, 350, 28, 19}},
    {"Label3", "", {173, 350, 15, 13}},
    {"txtRedTo", "", {195, 350, 28, 19}},
    {"Label6", "", {238, 350, 38, 13}},
    {"txtGreenFrom", "", {279, 350, 28, 19}},
    {"Label5", "", {311, 350, 15, 13}},
    {"txtGreenTo", "", {333, 350, 28, 19}},
    {"Label8", "", {371, 350, 28, 13}},
    {"txtBlueFrom", "", {403, 350, 28, 19}},
    {"Label7", "", {435, 350, 15, 13}},
    {"txtBlueTo", "", {457, 350, 28, 19}},
    {"Frame4", "", {1, 367, 213, 42}},
    {"txtObjectName", "Frame4", {7, 15, 199, 19}},
    {"btnCreate", "", {217, 378, 81, 28}},
    {"Frame6", "", {302, 367, 208, 42}},
    {"Option1", "Frame6", {10, 17, 72, 13}},
    {"Option2", "Frame6", {96, 17, 101, 13}},
    {"Frame7", "", {511, 367, 66, 42}},
    {"chkUseBlack", "Frame7", {5, 17, 55, 13}},
    {"txtObject", "", {1, 410, 522, 139}},
    {"picClip", "", {543, 418, 103, 103}},
    {"Frame3", "", {584, 18, 93, 35}},
    {"txtCoords", "Frame3", {7, 13, 80, 19}},
    {"Frame1", "", {584, 62, 93, 35}},
    {"txtWidth", "Frame1", {7, 13, 80, 19}},
    {"Frame2", "", {584, 107, 93, 35}},
    {"txtHeight", "Frame2", {7, 13, 80, 19}},
    {"Command1", "", {591, 145, 81, 33}},
    {"Label1", "", {582, 187, 94, 12}},
    {"Frame5", "", {578, 198, 108, 211}},
    {"ImgBuffer0", "Frame5", {6, 14, 46, 45}},
    {"ImgBuffer1", "Frame5", {55, 14, 46, 45}},
    {"ImgBuffer2", "Frame5", {6, 62, 46, 45}},
    {"ImgBuffer3", "Frame5", {55, 62, 46, 45}},
    {"ImgBuffer4", "Frame5", {6, 111, 46, 45}},
    {"ImgBuffer5", "Frame5", {55, 111, 46, 45}},
    {"ImgBuffer6", "Frame5", {6, 159, 46, 45}},
    {"ImgBuffer7", "Frame5", {55, 159, 46, 45}},
    {"imgEgg", "", {668, 2, 20, 19}},
};

// The place of a control within its container (an empty rectangle for a name not here).
constexpr const Place *find(std::string_view name)
{
    for (const Place &place : places)
        if (place.name == name)
            return &place;
    return nullptr;
}

constexpr QRect place(std::string_view name)
{
    const Place *found = find(name);
    return found ? found->rect : QRect();
}

// Where a control stands in the window: its place moved by those of its containers.
constexpr QRect inWindow(std::string_view name)
{
    const Place *found = find(name);
    if (!found)
        return {};
    return found->container.empty() ? found->rect
                                    : found->rect.translated(inWindow(found->container).topLeft());
}

// The slot of the buffers' row at index i.
constexpr std::string_view slotName(int i)
{
    constexpr std::string_view names[] = {"ImgBuffer0", "ImgBuffer1", "ImgBuffer2", "ImgBuffer3",
                                          "ImgBuffer4", "ImgBuffer5", "ImgBuffer6", "ImgBuffer7"};
    return names[i];
}

} // namespace corvantile::layout
