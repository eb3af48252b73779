#include "form1.h"

#include "controls/accessibility.h"
#include "controls/command_button.h"
#include "controls/compact_style.h"
#include "controls/focus_mark.h"
#include "controls/image_box.h"
#include "controls/locked_text_box.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "controls/scroll_bar.h"
#include "controls/sunken_frame.h"
#include "controls/wrapping_button.h"
#include "main_window/layout.h"
#include "screenshot/buffers.h"
#include "system/clipboard.h"
#include "system/platform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QtMath>

namespace corvantile {
namespace {

constexpr auto windowCaption = "Quenby Corvantile - For use with Runewright by Dravenholt";

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
QFont dialogFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.0);
    font.setHintingPreference(screenHinting());
    return font;
}

// The option buttons' captions a quarter point smaller: "Every Other Pixel" in the dialog font
// would fill its control to the last pixel.
QFont optionFont()
{
    QFont font = dialogFont();
    font.setPointSizeF(7.75);
    return font;
}

QFont smallFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(6.75);
    font.setHintingPreference(screenHinting());
    return font;
}

// The four images of the window's icon: 16 and 32 pixels, each in 16 and in 256 colours.
QIcon appIcon()
{
    QIcon icon;
    for (const char *name : {"icon_16_16", "icon_16_256", "icon_32_16", "icon_32_256"})
        icon.addFile(QStringLiteral(":/corvantile/%1.png").arg(QLatin1String(name)));
    return icon;
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

Form1::Form1(std::unique_ptr<Clipboard> clipboard, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_clipboard(clipboard ? std::move(clipboard) : systemClipboard()),
      m_job(new BackgroundJob(this)), m_intake(new PictureIntake(*m_clipboard, *m_job, this)),
      m_jobProgress(new QTimer(this))
{
    // A screen reader's interfaces are made as the controls are built; the window's role comes
    // first, so that each of them is made by the tool's own factories, in the screen's pixels.
    setAccessibleRole(this, QAccessible::Window);
    setWindowTitle(QString::fromLatin1(windowCaption));
    setWindowIcon(appIcon());
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
    setObjectName(QStringLiteral("Form1"));
    setAcceptDrops(true);
    setGeometry(layout::window);
    setFixedSize(layout::window.size());
    buildControls();
    allowScrollablePictures();
    buildTabOrder();
    connectHandlers();
    describeForScreenReaders();
    Form_Load();
}

Form1::~Form1()
{
    if (m_job->busy())
        QGuiApplication::restoreOverrideCursor();
}

void Form1::buildControls()
{
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

    Label2 = makeLabel(this, "Label2", "Accept Values from:", true);
    Label4 = makeLabel(this, "Label4", "RED", true);
    txtRedFrom = makeTextBox(this, "txtRedFrom", "0");
    Label3 = makeLabel(this, "Label3", "To:", true);
    txtRedTo = makeTextBox(this, "txtRedTo", "255");
    Label6 = makeLabel(this, "Label6", "GREEN", true);
    txtGreenFrom = makeTextBox(this, "txtGreenFrom", "0");
    Label5 = makeLabel(this, "Label5", "To:", true);
    txtGreenTo = makeTextBox(this, "txtGreenTo", "255");
    Label8 = makeLabel(this, "Label8", "BLUE", true);
    txtBlueFrom = makeTextBox(this, "txtBlueFrom", "0");
    Label7 = makeLabel(this, "Label7", "To:", true);
    txtBlueTo = makeTextBox(this, "txtBlueTo", "255");

    Frame4 = makeFrame(this, "Frame4", "Object Name");
    txtObjectName = makeTextBox(Frame4, "txtObjectName", "MappedObject");
    btnCreate = placed(new CommandButton(QStringLiteral("Create Object"), this), "btnCreate");

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

    // The clip box's place is its anchor, and its size counts the screen's own pixels.
    picClip = new PictureBox(PictureBox::Border::None, this);
    picClip->setObjectName(QStringLiteral("picClip"));
    const QRect clipPlace = layout::place("picClip");
    picClip->setAnchor(clipPlace.topLeft());
    picClip->setBoxSize(clipPlace.width(), clipPlace.height());

    Frame3 = makeFrame(this, "Frame3", "Coords");
    txtCoords = makeTextBox(Frame3, "txtCoords", "");
    Frame1 = makeFrame(this, "Frame1", "Width");
    txtWidth = makeTextBox(Frame1, "txtWidth", "");
    Frame2 = makeFrame(this, "Frame2", "Height");
    txtHeight = makeTextBox(Frame2, "txtHeight", "");

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
    makeBufferTabStop(0);

    imgEgg = placed(new ImageBox(this), "imgEgg");

    PopMenu = new QMenu(QStringLiteral("PopupMenu"), this);
    PopMenu->setObjectName(QStringLiteral("PopMenu"));
    deleteItem = PopMenu->addAction(QStringLiteral("&Delete Image"));
    ZoomIn = PopMenu->addAction(QStringLiteral("&Expanded Preview"));

    for (QWidget *w : {static_cast<QWidget *>(PicInner), static_cast<QWidget *>(picClip),
                       static_cast<QWidget *>(HScroll1), static_cast<QWidget *>(VScroll1),
                       static_cast<QWidget *>(txtObject)})
        w->setFocusPolicy(Qt::StrongFocus);
    // The viewport takes the focus when its empty part is clicked, but the view inside it is
    // the one stop of the Tab key there.
    picScroll->setFocusPolicy(Qt::ClickFocus);
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

void Form1::connectHandlers()
{
    // Every connection is direct: a write to a control runs its handler before the write
    // returns, which the handlers rely on.
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(m_intake, &PictureIntake::arrived, this, &Form1::pictureArrived);
    connect(m_job, &BackgroundJob::finished, this, &Form1::pictureJobFinished);
    connect(m_jobProgress, &QTimer::timeout, this, &Form1::showJobProgress);
    qApp->installEventFilter(this);
    for (int i = 0; i < bufferCount; ++i)
        connect(ImgBuffer[static_cast<size_t>(i)], &ImageBox::mouseUp, this,
                [this, i](int button, int shift, float x, float y) {
                    ImgBuffer_MouseUp(static_cast<int>(i), button, shift, x, y);
                });
    connect(deleteItem, &QAction::triggered, this, &Form1::delete_Click);
    connect(ZoomIn, &QAction::triggered, this, &Form1::ZoomIn_Click);

    connect(HScroll1, &QScrollBar::valueChanged, this, &Form1::HScroll1_Change);
    connect(HScroll1, &QScrollBar::sliderMoved, this, &Form1::HScroll1_Scroll);
    connect(VScroll1, &QScrollBar::valueChanged, this, &Form1::VScroll1_Change);
    connect(VScroll1, &QScrollBar::sliderMoved, this, &Form1::VScroll1_Scroll);
    connect(PicInner, &PictureBox::sizeChanged, this, &Form1::PicInner_Resize);

    connect(PicInner, &PictureBox::mouseDown, this, &Form1::PicInner_MouseDown);
    connect(PicInner, &PictureBox::mouseMove, this, &Form1::PicInner_MouseMove);
    connect(PicInner, &PictureBox::mouseUp, this, &Form1::PicInner_MouseUp);
    connect(txtCoords, &QLineEdit::textChanged, this, &Form1::txtCoords_Change);
    connect(txtWidth, &QLineEdit::textChanged, this, &Form1::txtWidth_Change);
    connect(txtHeight, &QLineEdit::textChanged, this, &Form1::txtHeight_Change);

    connect(txtRedFrom, &QLineEdit::textChanged, this, &Form1::txtRedFrom_Change);
    connect(txtRedTo, &QLineEdit::textChanged, this, &Form1::txtRedTo_Change);
    connect(txtGreenFrom, &QLineEdit::textChanged, this, &Form1::txtGreenFrom_Change);
    connect(txtGreenTo, &QLineEdit::textChanged, this, &Form1::txtGreenTo_Change);
    connect(txtBlueFrom, &QLineEdit::textChanged, this, &Form1::txtBlueFrom_Change);
    connect(txtBlueTo, &QLineEdit::textChanged, this, &Form1::txtBlueTo_Change);
    connect(txtObjectName, &QLineEdit::textChanged, this, &Form1::txtObjectName_Change);
    connect(btnCreate, &QPushButton::clicked, this, &Form1::btnCreate_Click);
    // Of the two option buttons only the selected one is a stop of the Tab key.
    for (QRadioButton *option : {Option1, Option2}) {
        const auto follow = [option](bool checked) {
            option->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
        };
        follow(option->isChecked());
        connect(option, &QRadioButton::toggled, this, follow);
    }

    connect(picClip, &PictureBox::mouseUp, this, &Form1::picClip_MouseUp);
    // The Menu key on the clip box does what a right-button release does, with the menu at the
    // box's top-left corner instead of at the pointer.
    connect(picClip, &PictureBox::menuKeyPressed, this, [this] {
        releaseRightByKey(picClip, [this] { picClip_MouseUp(RightButton, 0, 0, 0); });
    });
    connect(imgEgg, &ImageBox::doubleClicked, this, &Form1::imgEgg_DblClick);

    // Keys for the buffers from anywhere in the window: Ctrl+N brings buffer N back as
    // a left click does, and Ctrl+Shift+N opens its menu at the slot's top-left corner.
    for (int i = 0; i < bufferCount; ++i) {
        const auto key = Qt::Key(Qt::Key_1 + i);
        connect(new QShortcut(QKeyCombination(Qt::ControlModifier, key), this),
                &QShortcut::activated, this,
                [this, i] { ImgBuffer_MouseUp(i, LeftButton, 0, 0, 0); });
        connect(new QShortcut(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, key), this),
                &QShortcut::activated, this, [this, i] {
                    releaseRightByKey(ImgBuffer[size_t(i)],
                                      [this, i] { ImgBuffer_MouseUp(i, RightButton, 0, 0, 0); });
                });
    }
    // The definition looked for in the screenshot, and its places gone through.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this), &QShortcut::activated, this,
            &Form1::findInScreenshot);
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this,
            [this] { goToMatch(1); });
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this), &QShortcut::activated, this,
            [this] { goToMatch(-1); });
    // The paste key pastes a screenshot, except in a text box, where it is the box's own (the
    // window's event filter gives it the screenshot when the clipboard holds no text).
    connect(new QShortcut(QKeySequence::Paste, this), &QShortcut::activated, this, [this] {
        QWidget *focus = QApplication::focusWidget();
        if (!qobject_cast<QLineEdit *>(focus) && !qobject_cast<QPlainTextEdit *>(focus))
            Command1_Click();
    });
}

void Form1::placePicInner(int left, int top)
{
    PicInner->setBoxPosition(QPoint(left, top));
}

void Form1::Form_Load()
{
    PicInner_Resize(); // the ranges, the view's place and style, and drawBox
    state.bufferIndex = -1;
    state.redTo = 255;
    state.redFrom = 0;
    state.greenFrom = 0;
    state.greenTo = 255;
    state.blueFrom = 0;
    state.blueTo = 255;
}

// A right-button release given by a key: the menu it opens stands at the control's top-left
// corner instead of at the pointer.
void Form1::releaseRightByKey(QWidget *control, const std::function<void()> &release)
{
    m_menuPosition = control->mapToGlobal(QPoint(0, 0));
    release();
    m_menuPosition.reset();
}

void Form1::openPopMenu()
{
    const QPoint at = m_menuPosition.value_or(QCursor::pos());
    m_menuPosition.reset();
    // A screen reader hears what the items act on; the captions stay as they are.
    const int target = state.menuTarget.value_or(-1);
    const QString of =
        isBufferSlot(target) ? QStringLiteral(" of buffer %1").arg(target + 1) : QString();
    setAccessibleItemName(deleteItem,
                          of.isEmpty() ? QString() : QStringLiteral("Delete Image") + of);
    setAccessibleItemName(ZoomIn, QStringLiteral("Expanded Preview") +
                                      (of.isEmpty() ? QStringLiteral(" of the clip") : of));
    PopMenu->exec(at);
}

} // namespace corvantile
