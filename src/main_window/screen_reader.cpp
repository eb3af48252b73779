// What a screen reader is told of the main window's controls: names, roles and actions.

#include "controls/accessibility.h"
#include "controls/announcer.h"
#include "controls/focus_mark.h"
#include "controls/image_box.h"
#include "controls/locked_text_box.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "controls/sunken_frame.h"
#include "main_window/form1.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace corvantile {

// Names, roles and actions for a screen reader. Nothing here changes what the window shows.
void Form1::describeForScreenReaders()
{
    picScroll->setAccessibleName(QStringLiteral("Screenshot viewport"));
    setAccessibleRole(picScroll, QAccessible::Graphic);
    PicInner->setAccessibleName(QStringLiteral("Screenshot view"));
    PicInner->describeContents(QStringLiteral("no screenshot"));
    setAccessibleRole(PicInner, QAccessible::Graphic);
    picClip->setAccessibleName(QStringLiteral("Clip box"));
    picClip->describeContents(QStringLiteral("no region marked")); // the marked region
    setAccessibleRole(picClip, QAccessible::Graphic);
    new FocusMark(picClip); // it has no border to show its focus on
    const QString clipKeys =
        QStringLiteral("Its Expanded Preview shows the pixels Create Object keeps when K is "
                       "pressed. Ctrl+F finds the definition in the screenshot, F3 goes to the "
                       "next place found");
    picClip->setToolTip(clipKeys);
    picClip->setDescriptionNote(clipKeys);
    HScroll1->setAccessibleName(QStringLiteral("Scroll screenshot horizontally"));
    VScroll1->setAccessibleName(QStringLiteral("Scroll screenshot vertically"));
    txtObject->horizontalScrollBar()->setAccessibleName(
        QStringLiteral("Scroll definition horizontally"));
    txtObject->verticalScrollBar()->setAccessibleName(
        QStringLiteral("Scroll definition vertically"));
    lblCoords->setAccessibleName(QStringLiteral("Status line"));
    setAccessibleRole(lblCoords, QAccessible::StatusBar);

    describeBounds();
    // A frame is named by its caption, which labels each control in it, and is read where it
    // stands when the window is reviewed.
    for (QGroupBox *frame : {Frame1, Frame2, Frame3, Frame4, Frame5, Frame6, Frame7})
        setAccessibleRole(frame, QAccessible::Grouping);
    txtObjectName->setAccessibleName(QStringLiteral("Object name"));
    txtCoords->setAccessibleName(QStringLiteral("Coords"));
    txtCoords->setAccessibleDescription(QStringLiteral("top-left corner of the region: x, y"));
    txtWidth->setAccessibleName(QStringLiteral("Width"));
    txtHeight->setAccessibleName(QStringLiteral("Height"));
    chkUseBlack->setAccessibleName(QStringLiteral("Include black pixels"));
    txtObject->setAccessibleName(QStringLiteral("Object definition"));
    nameAreas();
    setAccessibleRole(imgEgg, QAccessible::NoRole); // the hidden spot stays hidden
    m_announcer = new Announcer(this);
    describeBuffers();
}

// Each colour box is named in full, as three of them share the caption "To:". A caption is the
// label of its box, and the three "To:" are told apart by the colour they stand in; the box
// keeps its own name, which a reader speaks as the box takes the focus.
void Form1::describeBounds()
{
    const struct
    {
        QLineEdit *box;
        const char *name;
        QLabel *caption;
        const char *captionName;
    } bounds[] = {{txtRedFrom, "Red from", Label4, nullptr},
                  {txtRedTo, "Red to", Label3, "To: red"},
                  {txtGreenFrom, "Green from", Label6, nullptr},
                  {txtGreenTo, "Green to", Label5, "To: green"},
                  {txtBlueFrom, "Blue from", Label8, nullptr},
                  {txtBlueTo, "Blue to", Label7, "To: blue"}};
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
void Form1::nameAreas()
{
    const auto name = [](QWidget *area, const QString &text) {
        area->setAccessibleName(text);
        setAccessibleRole(area, QAccessible::Client);
    };
    name(picScroll->clientArea(), QStringLiteral("Shown part of the screenshot"));
    // The result box's text area holds nothing but the text, which the box itself tells.
    setAccessibleRole(txtObject->viewport(), QAccessible::NoRole);
    for (QScrollBar *bar : {txtObject->horizontalScrollBar(), txtObject->verticalScrollBar()})
        if (bar->parentWidget() != txtObject)
            name(bar->parentWidget(), bar->accessibleName());
}

// The buffers: pictures with the actions a left or a right click offers.
void Form1::describeBuffers()
{
    for (int i = 0; i < bufferCount; ++i) {
        ImageBox *slot = ImgBuffer[static_cast<size_t>(i)];
        slot->setAccessibleName(QStringLiteral("Screenshot buffer %1").arg(i + 1));
        const QString keys = QStringLiteral("Ctrl+%1 brings it back, Ctrl+Shift+%1 opens its menu. "
                                            "Ctrl+F finds the definition in the screenshot")
                                 .arg(i + 1);
        slot->setToolTip(keys);
        slot->setDescriptionNote(keys);
        setAccessibleRole(slot, QAccessible::Graphic);
        setAccessibleActions(slot, {{QStringLiteral("Bring back"),
                                     [this, i] { ImgBuffer_MouseUp(i, LeftButton, 0, 0, 0); }},
                                    {QStringLiteral("Delete"),
                                     [this, i] {
                                         state.menuTarget = static_cast<std::int16_t>(i);
                                         delete_Click();
                                     }},
                                    {QStringLiteral("Expanded preview"), [this, i] {
                                         state.menuTarget = static_cast<std::int16_t>(i);
                                         ZoomIn_Click();
                                     }}});
    }
}

} // namespace corvantile
