// The window's controls, each built at its place in the layout with its caption and font,
// and the keyboard order through them.

#include "main_window/form1.h"

#include "controls/command_button.h"
#include "controls/compact_style.h"
#include "controls/focus_mark.h"
#include "controls/image_box.h"
#include "controls/locked_text_box.h"
#include "controls/picture_box.h"
#include "controls/scroll_bar.h"
#include "controls/sunken_frame.h"
#include "controls/wrapping_button.h"
#include "main_window/layout.h"
#include "system/platform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QtMath>
#include <tuple>

namespace corvantile {
namespace {

// On a scaled screen the glyphs are drawn unhinted, as Qt draws them when it scales the window
// itself: where the window system scales it, they would otherwise be hinted, and text would
// stand a screen pixel or two away from where it stands on the other systems.
QFont::HintingPreference screenHinting()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return windowSystemScalesWindows() && screen && screen->devicePixelRatio() != 1
               ? QFont::PreferNoHinting
               : QFont::PreferDefaultHinting;
}

// The fonts of the layout. Its fixed pixel sizes were made for an 8 pt sans-serif dialog font,
// so the window uses that rather than whatever size the desktop prefers; the small captions
// use Arial 6.75 pt (Liberation Sans where Arial itself is not installed).
QFont arialFont(qreal points)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setHintingPreference(screenHinting());
    return font;
}

QFont dialogFont()
{
    return arialFont(8.0);
}

// The option buttons' captions a quarter point smaller: "Every Other Pixel" in the dialog font
// would fill its control to the last pixel.
QFont optionFont()
{
    return arialFont(7.75);
}

QFont smallFont()
{
    return arialFont(6.75);
}

// A label sized to its caption: as wide as the caption's ink reaches, plus one pixel to spare,
// which also holds at scales where hinting moves the last letter a little.
void fitToCaption(QLabel *label)
{
    const QFontMetricsF metrics(label->font());
    const int width = qCeil(metrics.boundingRect(label->text()).right()) + 1;
    label->resize(width, label->sizeHint().height());
}

// Names a control and puts it at its place in the layout.
template <typename Control> Control *placed(Control *control, std::string_view name)
{
    control->setObjectName(QLatin1String(name.data(), qsizetype(name.size())));
    control->setGeometry(layout::place(name));
    return control;
}

QLabel *makeLabel(QWidget *parent, std::string_view name, const char *caption, bool autoSize)
{
    auto *label = placed(new QLabel(QString::fromLatin1(caption), parent), name);
    if (autoSize)
        fitToCaption(label);
    return label;
}

QLineEdit *makeTextBox(QWidget *parent, std::string_view name, const char *text)
{
    auto *box = placed(new QLineEdit(QString::fromLatin1(text), parent), name);
    box->setTextMargins(0, 0, 0, 0);
    return box;
}

QGroupBox *makeFrame(QWidget *parent, std::string_view name, const char *caption)
{
    return placed(new QGroupBox(QString::fromLatin1(caption), parent), name);
}

} // namespace

void Form1::buildControls()
{
    // The dialog font is the program's own: a control under the window's style sheet that is
    // not in a window of its own (in the frame the tool draws on Wayland) takes the program's
    // font, which would otherwise be the desktop's.
    QApplication::setFont(dialogFont());
    setFont(dialogFont());
    // Frames as a classic dialog draws them: the caption sits on the frame's top line, so
    // the controls placed inside keep clear of it.
    setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; top: 0px; padding: 0 2px; }"));
    // The client area at its design place on the screen; a window manager may move it.
    setGeometry(layout::window);
    setFixedSize(layout::window.size());

    picScroll = placed(new SunkenFrame(this), "picScroll");
    PicInner = new PictureBox(PictureBox::Border::Sunken, picScroll->clientArea());
    PicInner->setObjectName(QStringLiteral("PicInner"));
    PicInner->setAutoSize(true);
    const int viewBorders = 2 * PicInner->borderWidth();
    PicInner->setBoxSize(1024 + viewBorders, 768 + viewBorders);

    HScroll1 = placed(new ScrollBar(Qt::Horizontal, this), "HScroll1");
    VScroll1 = placed(new ScrollBar(Qt::Vertical, this), "VScroll1");
    for (QScrollBar *bar : {HScroll1, VScroll1}) {
        bar->setMinimum(0);
        bar->setSingleStep(5);
        bar->setPageStep(50);
    }

    lblCoords = makeLabel(this, "lblCoords", "", false);
    lblCoords->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblCoords->setAlignment(Qt::AlignCenter);

    buildTextControls();
    buildChoiceControls();
    buildPictureControls();

    for (QWidget *w : {static_cast<QWidget *>(PicInner), static_cast<QWidget *>(picClip),
                       static_cast<QWidget *>(HScroll1), static_cast<QWidget *>(VScroll1),
                       static_cast<QWidget *>(txtObject)})
        w->setFocusPolicy(Qt::StrongFocus);
    // The viewport takes the focus when its empty part is clicked, but the view inside it is
    // the one stop of the Tab key there.
    picScroll->setFocusPolicy(Qt::ClickFocus);
}

// The colour bounds, each a caption and a box, then the object name and Create Object.
void Form1::buildTextControls()
{
    const struct
    {
        QLabel *Form1::*label;
        const char *labelName;
        const char *caption;
        QLineEdit *Form1::*box;
        const char *boxName;
        const char *text;
    } rows[] = {{&Form1::Label2, "Label2", "Accept Values from:", nullptr, nullptr, nullptr},
                {&Form1::Label4, "Label4", "RED", &Form1::txtRedFrom, "txtRedFrom", "0"},
                {&Form1::Label3, "Label3", "To:", &Form1::txtRedTo, "txtRedTo", "255"},
                {&Form1::Label6, "Label6", "GREEN", &Form1::txtGreenFrom, "txtGreenFrom", "0"},
                {&Form1::Label5, "Label5", "To:", &Form1::txtGreenTo, "txtGreenTo", "255"},
                {&Form1::Label8, "Label8", "BLUE", &Form1::txtBlueFrom, "txtBlueFrom", "0"},
                {&Form1::Label7, "Label7", "To:", &Form1::txtBlueTo, "txtBlueTo", "255"}};
    for (const auto &row : rows) {
        this->*row.label = makeLabel(this, row.labelName, row.caption, true);
        if (row.box)
            this->*row.box = makeTextBox(this, row.boxName, row.text);
    }

    Frame4 = makeFrame(this, "Frame4", "Object Name");
    txtObjectName = makeTextBox(Frame4, "txtObjectName", "MappedObject");
    btnCreate = placed(new CommandButton(QStringLiteral("Create Object"), this), "btnCreate");
}

// The sampling options, the black rule and the result box.
void Form1::buildChoiceControls()
{
    Frame6 = makeFrame(this, "Frame6", "Sample");
    Option1 = placed(new QRadioButton(QStringLiteral("Every Pixel"), Frame6), "Option1");
    Option2 = placed(new QRadioButton(QStringLiteral("Every Other Pixel"), Frame6), "Option2");
    Option2->setChecked(true);
    // Set on the buttons themselves: under the window's style sheet they would otherwise
    // fall back to the desktop's font.
    Option1->setFont(optionFont());
    Option2->setFont(optionFont());
    auto *compact = new CompactStyle(QApplication::style()->name());
    compact->setParent(this);
    Option1->setStyle(compact);
    Option2->setStyle(compact);

    Frame7 = makeFrame(this, "Frame7", "Black Pixels");
    Frame7->setFont(smallFont());
    chkUseBlack = placed(new QCheckBox(QStringLiteral("Include"), Frame7), "chkUseBlack");
    chkUseBlack->setFont(dialogFont()); // only the frame's caption is small
    chkUseBlack->setStyle(Option1->style());

    txtObject = placed(new LockedTextBox(this), "txtObject");
    txtObject->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtObject->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtObject->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

// The clip box and the region's boxes, the paste button, the buffers, the hidden spot and the
// menu.
void Form1::buildPictureControls()
{
    // The clip box's place is its anchor, and its size counts the screen's own pixels.
    picClip = new PictureBox(PictureBox::Border::None, this);
    picClip->setObjectName(QStringLiteral("picClip"));
    const QRect clipPlace = layout::place("picClip");
    picClip->setAnchor(clipPlace.topLeft());
    picClip->setBoxSize(clipPlace.width(), clipPlace.height());

    // The corner, width and height boxes, each in a frame that carries its caption.
    const auto framed = [this](std::string_view frameName, const char *caption,
                               std::string_view boxName) {
        QGroupBox *frame = makeFrame(this, frameName, caption);
        return std::pair{frame, makeTextBox(frame, boxName, "")};
    };
    std::tie(Frame3, txtCoords) = framed("Frame3", "Coords", "txtCoords");
    std::tie(Frame1, txtWidth) = framed("Frame1", "Width", "txtWidth");
    std::tie(Frame2, txtHeight) = framed("Frame2", "Height", "txtHeight");

    Command1 =
        placed(new WrappingButton(QStringLiteral("Paste Image From Clipboard"), this), "Command1");

    Label1 = makeLabel(this, "Label1", "Right click for Options", true);
    Label1->setFont(smallFont());
    fitToCaption(Label1);

    Frame5 = makeFrame(this, "Frame5", "Click on ScreenShot");
    Frame5->setFont(smallFont());
    for (int i = 0; i < bufferCount; ++i) {
        ImageBox *slot = placed(new ImageBox(Frame5), layout::slotName(i));
        slot->setBorder(true);
        slot->setThumbnailOnly(true); // the screenshot itself is held compressed
        new FocusMark(slot);          // its border is a picture's, and shows no focus
        ImgBuffer[static_cast<size_t>(i)] = slot;
    }

    imgEgg = placed(new ImageBox(this), "imgEgg");

    PopMenu = new QMenu(QStringLiteral("PopupMenu"), this);
    PopMenu->setObjectName(QStringLiteral("PopMenu"));
    deleteItem = PopMenu->addAction(QStringLiteral("&Delete Image"));
    ZoomIn = PopMenu->addAction(QStringLiteral("&Expanded Preview"));
    combineItem = PopMenu->addAction(QStringLiteral("Create Object from &all screenshots"));
    combineItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Return));
    combineItem->setShortcutContext(Qt::WidgetShortcut); // the window's own key does the work
}

void Form1::buildTabOrder()
{
    // The keyboard order of the design: the width box comes before the height box and both
    // before the corner box, although the corner box stands above them. The buffers follow the
    // Paste button as one stop (the slot focused last).
    QWidget *const order[] = {picScroll,    PicInner,     HScroll1,     VScroll1,     picClip,
                              txtWidth,     txtHeight,    txtCoords,    txtObject,    txtObjectName,
                              btnCreate,    Command1,     ImgBuffer[0], ImgBuffer[1], ImgBuffer[2],
                              ImgBuffer[3], ImgBuffer[4], ImgBuffer[5], ImgBuffer[6], ImgBuffer[7],
                              Option1,      Option2,      chkUseBlack,  txtRedFrom,   txtRedTo,
                              txtGreenFrom, txtGreenTo,   txtBlueFrom,  txtBlueTo};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

} // namespace corvantile
