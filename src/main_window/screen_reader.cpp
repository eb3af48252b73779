// What a screen reader is told of the main window's controls: names, roles and actions.

#include "controls/accessibility.h"
#include "controls/focus_mark.h"
#include "controls/image_box.h"
#include "controls/locked_text_box.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "controls/sunken_frame.h"
#include "main_window/form1.h"

#include <QCheckBox>
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

    // Each colour box is named in full, as three of them share the caption "To:". The captions
    // are not linked to their boxes: a screen reader speaks a linked caption in place of the
    // box's own name.
    const struct
    {
        QLineEdit *box;
        const char *name;
    } bounds[] = {{txtRedFrom, "Red from"},     {txtRedTo, "Red to"},
                  {txtGreenFrom, "Green from"}, {txtGreenTo, "Green to"},
                  {txtBlueFrom, "Blue from"},   {txtBlueTo, "Blue to"}};
    for (const auto &bound : bounds)
        bound.box->setAccessibleName(QString::fromLatin1(bound.name));
    txtObjectName->setAccessibleName(QStringLiteral("Object name"));
    txtCoords->setAccessibleName(QStringLiteral("Coords"));
    txtCoords->setAccessibleDescription(QStringLiteral("top-left corner of the region: x, y"));
    txtWidth->setAccessibleName(QStringLiteral("Width"));
    txtHeight->setAccessibleName(QStringLiteral("Height"));
    chkUseBlack->setAccessibleName(QStringLiteral("Include black pixels"));
    txtObject->setAccessibleName(QStringLiteral("Object definition"));
    setAccessibleRole(imgEgg, QAccessible::NoRole); // the hidden spot stays hidden
    m_announcer = new QLabel(this);
    m_announcer->setObjectName(QStringLiteral("announcer"));
    m_announcer->setGeometry(0, 0, 0, 0);
    m_announcer->hide();
    setAccessibleRole(m_announcer, QAccessible::Notification);
    describeBuffers();
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
