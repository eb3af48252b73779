#pragma once

#include <QByteArray>
#include <QString>

namespace corvantile {

// The window system the program runs on, as Qt's platform plugin reports it. The rest of the
// program never asks which system it is on; the few parts of this folder that must, ask here.
enum class WindowSystem { X11, Wayland, Windows, Other };

WindowSystem windowSystem();

// Whether the system's screen-reader bridge turns the rectangles it is given into the screen's
// own pixels itself, as Windows' does. Elsewhere (AT-SPI, with Qt 6.4) it hands on Qt's layout
// pixels, and the program must give it the screen's.
bool readerBridgeScalesRectangles();

// Whether the window system scales the program's windows on a scaled screen (a Wayland
// compositor does) rather than Qt (on X11 and Windows). Where Qt scales them it draws the
// glyphs of text unhinted; where the system does, Qt keeps them hinted unless asked.
bool windowSystemScalesWindows();

// Lets what the program prints reach the terminal it was started from. A Windows program with
// a window has no console of its own: it borrows its parent's, if that has one.
void reachTerminal();

// Why no graphical desktop can be reached, in one line for the terminal; empty when one can.
// Qt aborts without one. display: the X display named on the command line, if any, which the
// program's own X connections then open too.
QString displayProblem(const QByteArray &display);

} // namespace corvantile
