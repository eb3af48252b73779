// The connections from the controls' signals to the handlers and flows. Every connection is
// direct: a write to a control runs its handler before the write returns, which the handlers
// rely on. (The scroll bars, the region's boxes and the definition's boxes are connected by
// their subsystems, as they are made.)

#include "controls/image_box.h"
#include "controls/locked_text_box.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "controls/status_line.h"
#include "main_window/combine_flow.h"
#include "main_window/find_flow.h"
#include "main_window/form1.h"
#include "main_window/found_table.h"
#include "main_window/paste_flow.h"
#include "main_window/text_reader.h"
#include "main_window/window_keys.h"
#include "object_definition/definition_inputs.h"
#include "screenshot/image_buffers.h"
#include "selection/clip_region.h"
#include "selection/rubber_band.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>

namespace corvantile {
namespace {

// The status line's words and a screen reader's for a definition made from all screenshots.
std::pair<QString, QString> combinedWords(const QString &outcome, bool copied)
{
    return {copied ? outcome : outcome + QStringLiteral("; not on the clipboard"),
            outcome + (copied ? QStringLiteral(". The definition is on the clipboard.")
                              : QStringLiteral(". The definition could not be put on the "
                                               "clipboard."))};
}

// The view scrolled, the least it takes, to show the keyboard's cursor on `pixel`.
void keepShown(const PictureBox &view, QScrollBar *across, QScrollBar *down, QPoint pixel)
{
    const QRect shown = view.shownDrawing();
    // At the picture's first or last pixel the view goes all the way, its border shown too, as
    // where it starts: a view left two pixels short is heard as a bar not at its start.
    const auto follow = [](QScrollBar *bar, int at, int first, int last, int extent) {
        if (at < first)
            bar->setValue(at == 0 ? bar->minimum() : bar->value() - (first - at));
        else if (at > last)
            bar->setValue(at == extent - 1 ? bar->maximum() : bar->value() + (at - last));
    };
    follow(across, pixel.x(), shown.left(), shown.right(), view.drawingSize().width());
    follow(down, pixel.y(), shown.top(), shown.bottom(), view.drawingSize().height());
}

// Of option buttons only the selected one is a stop of the Tab key.
void tabStopOnTheSelected(std::initializer_list<QRadioButton *> options)
{
    for (QRadioButton *option : options) {
        const auto follow = [option](bool checked) {
            option->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
        };
        follow(option->isChecked());
        QObject::connect(option, &QRadioButton::toggled, option, follow);
    }
}

// A release on a buffer's thumbnail goes to the buffers' handler with its slot.
void connectSlots(Form1 &form, const std::array<ImageBox *, bufferSlotCount> &thumbnails)
{
    for (int i = 0; i < bufferSlotCount; ++i)
        QObject::connect(thumbnails[size_t(i)], &ImageBox::mouseUp, &form,
                         [&form, i](int button, int shift, float x, float y) {
                             form.ImgBuffer_MouseUp(i, button, shift, x, y);
                         });
}

// The rubber band follows the mouse over the view, once a press there has started it.
void connectBand(PictureBox *view, RubberBand *band)
{
    QObject::connect(view, &PictureBox::mouseMove, view,
                     [band](int button, int shift, float x, float y) {
                         band->PicInner_MouseMove(button, shift, x, y);
                     });
    QObject::connect(view, &PictureBox::mouseUp, view,
                     [band](int button, int shift, float x, float y) {
                         band->PicInner_MouseUp(button, shift, x, y);
                     });
}

} // namespace

void Form1::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    FindFlow *find = m_find.get();
    connect(m_paste.get(), &PasteFlow::pictureReplacing, find, &FindFlow::pictureReplaced);
    // The clip box keeps its region over a paste: a screen reader is told it is the earlier
    // screenshot's.
    connect(m_paste.get(), &PasteFlow::pictureShown, m_region.get(), &ClipRegion::describeRegion);
    connect(m_text.get(), &TextReader::noTextToPaste, this, &Form1::Command1_Click);
    // What Ctrl+F would look for changes with every bound, the sampling, the black rule and
    // the region: the places found for the one before no longer stand for it.
    connect(m_inputs.get(), &DefinitionInputs::changed, find, &FindFlow::inputsChanged);
    // Ctrl+B's table of several definitions; a cell chosen brings its buffer back and goes to
    // its definition there.
    connect(find, &FindFlow::tableReady, m_foundTable, &FoundTable::showFound);
    connect(m_foundTable, &FoundTable::chosen, this, [this](int definition, int buffer) {
        ImgBuffer_MouseUp(buffer - 1, LeftButton, 0, 0, 0);
        m_find->findFromTable(definition);
    });
    // The outlines follow the part of the screenshot the view shows.
    for (QScrollBar *bar : {HScroll1, VScroll1})
        connect(bar, &QScrollBar::valueChanged, find, &FindFlow::showOutlines);
    qApp->installEventFilter(m_keys.get());
    connectSlots(*this, ImgBuffer);
    connect(m_buffers.get(), &ImageBuffers::bringBackAsked, this,
            [this](int i) { ImgBuffer_MouseUp(i, LeftButton, 0, 0, 0); });
    connect(m_buffers.get(), &ImageBuffers::menuAsked, this,
            [this](int i) { releaseRightByKey(ImgBuffer[size_t(i)], i); });
    connect(deleteItem, &QAction::triggered, this, &Form1::delete_Click);
    connect(ZoomIn, &QAction::triggered, this, &Form1::ZoomIn_Click);
    connect(combineItem, &QAction::triggered, m_combine.get(), &CombineFlow::start);
    connect(m_combine.get(), &CombineFlow::created, this,
            [this](const QString &text, int kept, const QString &outcome) {
                present(text, kept,
                        [&outcome](bool copied) { return combinedWords(outcome, copied); });
            });

    connect(PicInner, &PictureBox::mouseDown, this, &Form1::PicInner_MouseDown);
    connectBand(PicInner, m_band.get());
    // The keyboard's cursor on the screenshot: the view scrolls to keep it shown, and a screen
    // reader hears what the status line shows of its pixel, as the mouse's hover writes it.
    PicInner->setKeyboardCursor(true);
    connect(PicInner, &PictureBox::keyboardCursorMoved, this, [this](QPoint pixel) {
        keepShown(*PicInner, HScroll1, VScroll1, pixel);
        m_status->announce(m_status->text());
    });
    connect(btnCreate, &QPushButton::clicked, this, &Form1::btnCreate_Click);
    connect(m_inputs.get(), &DefinitionInputs::spaceReplaced, this,
            // What a screen reader echoes is the key typed; the box holds something else.
            [this] { m_status->announce(QStringLiteral("Space written as underscore")); });
    tabStopOnTheSelected({Option1, Option2});

    connect(picClip, &PictureBox::mouseUp, this, &Form1::picClip_MouseUp);
    // The Menu key on the clip box does what a right-button release does, with the menu at the
    // box's top-left corner instead of at the pointer.
    connect(picClip, &PictureBox::menuKeyPressed, this, [this] { releaseRightByKey(picClip, -1); });
    connect(imgEgg, &ImageBox::doubleClicked, this, &Form1::imgEgg_DblClick);
    connectKeys();
}

// `buffer` is the slot the key was pressed on, or -1 for the clip box.
void Form1::releaseRightByKey(QWidget *control, int buffer)
{
    m_menuPosition = control->mapToGlobal(QPoint(0, 0));
    if (buffer >= 0)
        ImgBuffer_MouseUp(buffer, RightButton, 0, 0, 0);
    else
        picClip_MouseUp(RightButton, 0, 0, 0);
    m_menuPosition.reset();
}

// Keys from anywhere in the window.
void Form1::connectKeys()
{
    // Ctrl+N brings buffer N back as a left click does, and Ctrl+Shift+N opens its menu at the
    // slot's top-left corner.
    for (int i = 0; i < bufferCount; ++i) {
        const auto key = Qt::Key(Qt::Key_1 + i);
        connect(new QShortcut(QKeyCombination(Qt::ControlModifier, key), this),
                &QShortcut::activated, this,
                [this, i] { ImgBuffer_MouseUp(i, LeftButton, 0, 0, 0); });
        connect(new QShortcut(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, key), this),
                &QShortcut::activated, this,
                [this, i] { releaseRightByKey(ImgBuffer[size_t(i)], i); });
    }
    // The definition looked for in the screenshot, and its places gone through.
    FindFlow *find = m_find.get();
    const auto shortcut = [this](QKeySequence keys) { return new QShortcut(keys, this); };
    connect(shortcut(Qt::CTRL | Qt::Key_F), &QShortcut::activated, find,
            &FindFlow::findInScreenshot);
    connect(shortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_F), &QShortcut::activated, find,
            &FindFlow::findClipboardDefinition);
    connect(shortcut(Qt::CTRL | Qt::Key_B), &QShortcut::activated, find, &FindFlow::findInBuffers);
    // One definition from the region and the same thing in every other filled buffer.
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter})
        connect(shortcut(Qt::CTRL | Qt::SHIFT | enter), &QShortcut::activated, m_combine.get(),
                &CombineFlow::start);
    connect(shortcut(Qt::Key_F3), &QShortcut::activated, find, [find] { find->goToMatch(1); });
    connect(shortcut(Qt::SHIFT | Qt::Key_F3), &QShortcut::activated, find,
            [find] { find->goToMatch(-1); });
    // The paste key pastes a screenshot, except in a text box, where it is the box's own (the
    // window's event filter gives it the screenshot when the clipboard holds no text).
    // The result box takes no text: the key there says so, rather than seem lost.
    connect(shortcut(QKeySequence::Paste), &QShortcut::activated, this, [this] {
        QWidget *focus = QApplication::focusWidget();
        if (focus == txtObject)
            m_status->say(QStringLiteral(
                "The definition box is read-only: the Paste button pastes a screenshot"));
        else if (!qobject_cast<QLineEdit *>(focus) && !qobject_cast<QPlainTextEdit *>(focus))
            Command1_Click();
    });
}

} // namespace corvantile
