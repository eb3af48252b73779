// What a screen reader is told of the main window's controls: names, roles and actions.

#include "main_window/screen_reader.h"
#include "controls/accessibility.h"
#include "controls/focus_mark.h"
#include "controls/image_box.h"
#include "controls/locked_text_box.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "controls/sunken_frame.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace corvantile {

namespace {

void describeBounds(const Form1Controls &c);
void nameAreas(const Form1Controls &c);
void describeBuffers(const Form1Controls &c, const BufferActions &actions);

} // namespace

// Names, roles and actions for a screen reader. Nothing here changes what the window shows.
void describeForScreenReaders(const Form1Controls &c, const BufferActions &actions)
{
    // The viewport is told as no more than the area the view stands in, which a reader passes
    // over: the view is the picture, and a reader names one picture, once.
    c.picScroll->setAccessibleName(QStringLiteral("Screenshot viewport"));
    setAccessibleRole(c.picScroll, QAccessible::Client);
    c.PicInner->setAccessibleName(QStringLiteral("Screenshot view"));
    c.PicInner->describeContents(QStringLiteral("no screenshot"));
    setAccessibleRole(c.PicInner, QAccessible::Graphic);
    c.picClip->setAccessibleName(QStringLiteral("Clip box"));
    c.picClip->describeContents(QStringLiteral("no region marked")); // the marked region
    setAccessibleRole(c.picClip, QAccessible::Graphic);
    new FocusMark(c.picClip); // it has no border to show its focus on
    const QString clipKeys =
        QStringLiteral("Its Expanded Preview shows the pixels Create Object keeps when K is "
                       "pressed. Ctrl+F finds the definition in the screenshot, F3 goes to the "
                       "next place found");
    c.picClip->setToolTip(clipKeys);
    // The keys that work on a control are its help, which a reader gives when asked, not part
    // of the description it speaks on every focus.
    c.picClip->setWhatsThis(clipKeys);
    c.HScroll1->setAccessibleName(QStringLiteral("Scroll screenshot horizontally"));
    c.VScroll1->setAccessibleName(QStringLiteral("Scroll screenshot vertically"));
    c.txtObject->horizontalScrollBar()->setAccessibleName(
        QStringLiteral("Scroll definition horizontally"));
    c.txtObject->verticalScrollBar()->setAccessibleName(
        QStringLiteral("Scroll definition vertically"));
    c.lblCoords->setAccessibleName(QStringLiteral("Status line"));
    setAccessibleRole(c.lblCoords, QAccessible::StatusBar);

    describeBounds(c);
    // A frame is named by its caption, which labels each control in it, and is read where it
    // stands when the window is reviewed.
    for (QGroupBox *frame : {c.Frame1, c.Frame2, c.Frame3, c.Frame4, c.Frame5, c.Frame6, c.Frame7})
        setAccessibleRole(frame, QAccessible::Grouping);
    c.txtObjectName->setAccessibleName(QStringLiteral("Object name"));
    c.txtCoords->setAccessibleName(QStringLiteral("Coords"));
    c.txtCoords->setAccessibleDescription(QStringLiteral("top-left corner of the region: x, y"));
    c.txtWidth->setAccessibleName(QStringLiteral("Width"));
    c.txtHeight->setAccessibleName(QStringLiteral("Height"));
    c.chkUseBlack->setAccessibleName(QStringLiteral("Include black pixels"));
    c.txtObject->setAccessibleName(QStringLiteral("Object definition"));
    nameAreas(c);
    setAccessibleRole(c.imgEgg, QAccessible::NoRole); // the hidden spot stays hidden
    describeBuffers(c, actions);
}

namespace {

// Each colour box is named in full, as three of them share the caption "To:". A caption is the
// label of its box, and the three "To:" are told apart by the colour they stand in; the box
// keeps its own name, which a reader speaks as the box takes the focus.
void describeBounds(const Form1Controls &c)
{
    const struct
    {
        QLineEdit *box;
        const char *name;
        QLabel *caption;
        const char *captionName;
    } bounds[] = {{c.txtRedFrom, "Red from", c.Label4, nullptr},
                  {c.txtRedTo, "Red to", c.Label3, "To: red"},
                  {c.txtGreenFrom, "Green from", c.Label6, nullptr},
                  {c.txtGreenTo, "Green to", c.Label5, "To: green"},
                  {c.txtBlueFrom, "Blue from", c.Label8, nullptr},
                  {c.txtBlueTo, "Blue to", c.Label7, "To: blue"}};
    for (const auto &bound : bounds) {
        bound.box->setAccessibleName(QString::fromLatin1(bound.name));
        if (bound.captionName)
            bound.caption->setAccessibleName(QString::fromLatin1(bound.captionName));
        setAccessibleLabelFor(bound.caption, bound.box);
    }
}

// The areas that only hold other controls are named for a screen reader, which otherwise
// meets nameless fillers: the screenshot's area inside its frame, and the strips the result
// box's bars stand in.
void nameAreas(const Form1Controls &c)
{
    const auto name = [](QWidget *area, const QString &text) {
        area->setAccessibleName(text);
        setAccessibleRole(area, QAccessible::Client);
    };
    name(c.picScroll->clientArea(), QStringLiteral("Shown part of the screenshot"));
    // The result box's text area holds nothing but the text, which the box itself tells.
    setAccessibleRole(c.txtObject->viewport(), QAccessible::NoRole);
    for (QScrollBar *bar : {c.txtObject->horizontalScrollBar(), c.txtObject->verticalScrollBar()})
        if (bar->parentWidget() != c.txtObject)
            name(bar->parentWidget(), bar->accessibleName());
}

// The buffers: pictures with the actions a left or a right click offers.
void describeBuffers(const Form1Controls &c, const BufferActions &actions)
{
    for (int i = 0; i < bufferSlotCount; ++i) {
        ImageBox *slot = c.ImgBuffer[static_cast<size_t>(i)];
        slot->setAccessibleName(QStringLiteral("Screenshot buffer %1").arg(i + 1));
        const QString keys = QStringLiteral("Ctrl+%1 brings it back, Ctrl+Shift+%1 opens its menu. "
                                            "Ctrl+F finds the definition in the screenshot")
                                 .arg(i + 1);
        slot->setToolTip(keys);
        slot->setWhatsThis(keys);
        setAccessibleRole(slot, QAccessible::Graphic);
        setAccessibleActions(
            slot, {{QStringLiteral("Bring back"), [actions, i] { actions.bringBack(i); }},
                   {QStringLiteral("Delete"), [actions, i] { actions.remove(i); }},
                   {QStringLiteral("Expanded preview"), [actions, i] { actions.zoom(i); }}});
    }
}

} // namespace

} // namespace corvantile
