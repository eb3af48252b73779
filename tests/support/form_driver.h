#pragma once

#include "fake_clipboard.h"
#include "main_window/form1.h"

#include <QEvent>
#include <QList>
#include <QPoint>
#include <functional>
#include <memory>

namespace corvantile::test {

// A main window on a fake clipboard, driven the way a user drives it.
struct FormDriver
{
    FormDriver();
    ~FormDriver();

    FakeClipboard *clipboard = nullptr; // owned by the form
    std::unique_ptr<Form1> form;

    // Puts the image on the clipboard and clicks "Paste Image From Clipboard".
    void paste(const QImage &image);
    void clickPaste();

    // Mouse on the screenshot view, at a pixel of the screenshot; within is where inside that
    // pixel the pointer is (0 to 1 across and down), on a screen of any scale.
    void press(QPoint at, Qt::MouseButton button = Qt::LeftButton, QPointF within = {});
    void move(QPoint to, Qt::MouseButtons held = Qt::LeftButton, QPointF within = {});
    void release(QPoint at, Qt::MouseButton button = Qt::LeftButton, QPointF within = {});
    // The window position, in layout pixels, of that point of a screenshot pixel.
    QPointF onView(QPoint pixel, QPointF within = {}) const;
    // The pointer jumps from the result box straight to that point of a screenshot pixel, each
    // move reported by the window system to the window. The window sits `misplaced` (layout
    // pixels) off the place Qt counts it at, as a window manager may put it between two screen
    // pixels; the view then also gets the move Qt makes for a widget the pointer has just
    // entered, counted from that place, as on X11.
    void jumpInto(QPoint pixel, QPointF within, QPointF misplaced);
    // Press, one move, release, all with the left button.
    void drag(QPoint from, QPoint to);

    // Mouse button released over an image buffer or the clip box.
    void releaseOnSlot(int index, Qt::MouseButton button);
    void releaseOnClip(Qt::MouseButton button);

    // Replaces a text box's text the way typing does: select all, then type.
    static void type(QWidget *box, const QString &text);
};

// Delivers a mouse event to a widget as Qt's window does: the widget's position rounded to a
// whole layout pixel, the window's position (in layout pixels) with its fraction.
void sendMouse(QWidget *target, QEvent::Type type, QPointF inWindow, Qt::MouseButton button,
               Qt::MouseButtons held);

// Runs action while it opens pop-up menus and modal windows in nested loops. Each time a new
// one is up, the next of the handlers is called with it, from the event loop and not from
// inside another handler, so a handler may itself open the next window. A fallback closes
// whatever is still open after a few seconds, so that a test fails instead of hanging.
// Returns how many handlers ran.
int whileNestedLoopsRun(const std::function<void()> &action,
                        const QList<std::function<void(QWidget *)>> &handlers);
bool whileNestedLoopRuns(const std::function<void()> &action,
                         const std::function<void(QWidget *)> &onOpen);

// Chooses a menu item by its caption in the open pop-up menu.
void chooseMenuItem(QWidget *menu, const QString &caption);

} // namespace corvantile::test
