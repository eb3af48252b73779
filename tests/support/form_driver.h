#pragma once

#include "controls/image_box.h"
#include "controls/locked_text_box.h"
#include "controls/picture_box.h"
#include "controls/sunken_frame.h"
#include "fake_clipboard.h"
#include "main_window/form1.h"
#include "test_images.h"

#include <QtTest>
#include <QtWidgets>

#include <array>
#include <functional>
#include <memory>

namespace corvantile::test {

// A control of a window, found by its object name; the test fails when there is none.
template <typename Control = QWidget> Control *control(const QWidget &window, const char *name)
{
    auto *found = window.findChild<Control *>(QLatin1String(name));
    QTEST_ASSERT(found);
    return found;
}

// A main window, on a fake clipboard unless given another, driven the way a user drives it.
struct FormDriver
{
    explicit FormDriver(std::unique_ptr<Clipboard> systemClipboard = nullptr);
    // One with this picture pasted.
    explicit FormDriver(const QImage &pasted) : FormDriver() { paste(pasted); }
    ~FormDriver();

    FakeClipboard *clipboard = nullptr; // owned by the form; none on another clipboard
    std::unique_ptr<Form1> form;

    // The window's controls, found by their names.
#define CORVANTILE_CONTROL(Type, name) Type *const name = control<Type>(*form, #name)
    CORVANTILE_CONTROL(SunkenFrame, picScroll);
    CORVANTILE_CONTROL(PictureBox, PicInner);
    CORVANTILE_CONTROL(QScrollBar, HScroll1);
    CORVANTILE_CONTROL(QScrollBar, VScroll1);
    CORVANTILE_CONTROL(QLabel, lblCoords);
    CORVANTILE_CONTROL(QLabel, Label1);
    CORVANTILE_CONTROL(QLabel, Label2);
    CORVANTILE_CONTROL(QLabel, Label3);
    CORVANTILE_CONTROL(QLabel, Label4);
    CORVANTILE_CONTROL(QLabel, Label5);
    CORVANTILE_CONTROL(QLabel, Label6);
    CORVANTILE_CONTROL(QLabel, Label7);
    CORVANTILE_CONTROL(QLabel, Label8);
    CORVANTILE_CONTROL(QLineEdit, txtRedFrom);
    CORVANTILE_CONTROL(QLineEdit, txtRedTo);
    CORVANTILE_CONTROL(QLineEdit, txtGreenFrom);
    CORVANTILE_CONTROL(QLineEdit, txtGreenTo);
    CORVANTILE_CONTROL(QLineEdit, txtBlueFrom);
    CORVANTILE_CONTROL(QLineEdit, txtBlueTo);
    CORVANTILE_CONTROL(QLineEdit, txtObjectName);
    CORVANTILE_CONTROL(QLineEdit, txtCoords);
    CORVANTILE_CONTROL(QLineEdit, txtWidth);
    CORVANTILE_CONTROL(QLineEdit, txtHeight);
    CORVANTILE_CONTROL(QGroupBox, Frame1);
    CORVANTILE_CONTROL(QGroupBox, Frame2);
    CORVANTILE_CONTROL(QGroupBox, Frame3);
    CORVANTILE_CONTROL(QGroupBox, Frame4);
    CORVANTILE_CONTROL(QGroupBox, Frame5);
    CORVANTILE_CONTROL(QGroupBox, Frame6);
    CORVANTILE_CONTROL(QGroupBox, Frame7);
    CORVANTILE_CONTROL(QPushButton, btnCreate);
    CORVANTILE_CONTROL(QPushButton, Command1);
    CORVANTILE_CONTROL(QRadioButton, Option1);
    CORVANTILE_CONTROL(QRadioButton, Option2);
    CORVANTILE_CONTROL(QCheckBox, chkUseBlack);
    CORVANTILE_CONTROL(LockedTextBox, txtObject);
    CORVANTILE_CONTROL(PictureBox, picClip);
    CORVANTILE_CONTROL(ImageBox, imgEgg);
    CORVANTILE_CONTROL(QMenu, PopMenu);
#undef CORVANTILE_CONTROL
    const std::array<ImageBox *, Form1::bufferCount> ImgBuffer = bufferSlots();
    QAction *const deleteItem = PopMenu->actions().at(0);
    QAction *const ZoomIn = PopMenu->actions().at(1);

    // What the corner, width and height boxes hold.
    QStringList fields() const
    {
        return {txtCoords->text(), txtWidth->text(), txtHeight->text()};
    }
    // Puts the image on the clipboard and clicks "Paste Image From Clipboard".
    void paste(const QImage &image);
    void clickPaste();
    // Waits until the picture intake has landed what it reads (false when it never does).
    bool waitForPictures() const;

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
    // The pointer on a screen pixel of the window, as the window system reports it there (at
    // the pixel's top-left corner) to the window, which finds the control under it.
    void pointAtScreenPixel(QPoint pixel, QEvent::Type type, Qt::MouseButton button,
                            Qt::MouseButtons held);
    // The window as it is on the screen: one image pixel for each of the screen's pixels.
    QImage onScreen() const;
    // The screen pixel under a point of the window (layout pixels with their fraction).
    QPoint screenPixel(QPointF inWindow) const;
    // The screen pixels of the viewport's inside that it shows whole.
    QRect viewportOnScreen() const;
    // Press, one move, release, all with the left button.
    void drag(QPoint from, QPoint to);

    // Mouse button released over an image buffer or the clip box.
    void releaseOnSlot(int index, Qt::MouseButton button);
    void releaseOnClip(Qt::MouseButton button);

    // Replaces a text box's text the way typing does: select all, then type.
    static void type(QWidget *box, const QString &text);

private:
    std::array<ImageBox *, Form1::bufferCount> bufferSlots() const;
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

// Runs what a window's shortcut for `keys` runs, as pressing them while it is active does.
inline void pressShortcut(const QWidget &window, const QKeySequence &keys)
{
    for (QShortcut *shortcut : window.findChildren<QShortcut *>())
        if (shortcut->key() == keys) {
            emit shortcut->activated();
            return;
        }
    QFAIL("no shortcut for those keys");
}

// Chooses a menu item by its caption in the open pop-up menu.
void chooseMenuItem(QWidget *menu, const QString &caption);

} // namespace corvantile::test
