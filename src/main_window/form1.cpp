#include "form1.h"

#include "common/words.h"
#include "controls/accessibility.h"
#include "controls/image_box.h"
#include "controls/locked_text_box.h"
#include "controls/mouse_buttons.h"
#include "controls/picture_box.h"
#include "controls/status_line.h"
#include "controls/sunken_frame.h"
#include "main_window/combine_flow.h"
#include "main_window/find_flow.h"
#include "main_window/found_table.h"
#include "main_window/job_status.h"
#include "main_window/paste_flow.h"
#include "main_window/screen_reader.h"
#include "main_window/text_reader.h"
#include "main_window/window_keys.h"
#include "object_definition/clip_pixels.h"
#include "object_definition/create_object.h"
#include "object_definition/definition_check.h"
#include "object_definition/definition_inputs.h"
#include "preview/previews.h"
#include "screenshot/image_buffers.h"
#include "screenshot/scrolling_view.h"
#include "selection/clip_copy.h"
#include "selection/clip_region.h"
#include "selection/rubber_band.h"
#include "system/platform.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>

namespace corvantile {
namespace {

// How long an opened menu is told alone before its first item is made active.
constexpr int menuToldMs = 150;

constexpr auto windowCaption = "Quenby Corvantile - For use with Runewright by Dravenholt";

// The four images of the window's icon: 16 and 32 pixels, each in 16 and in 256 colours.
QIcon appIcon()
{
    QIcon icon;
    for (const char *name : {"icon_16_16", "icon_16_256", "icon_32_16", "icon_32_256"})
        icon.addFile(QStringLiteral(":/corvantile/%1.png").arg(QLatin1String(name)));
    return icon;
}

// The local files among what is dragged, in the order given.
QList<PicturePath> droppedFiles(const QMimeData *data)
{
    QList<PicturePath> files;
    for (const QUrl &url : data ? data->urls() : QList<QUrl>())
        if (url.isLocalFile())
            files << PicturePath::fromUrl(url);
    return files;
}

// What the kept view's legend calls a point's fate.
QString fateWords(KeptPixels::Fate fate)
{
    switch (fate) {
    case KeptPixels::Fate::NotSampled:
        return QStringLiteral("not sampled");
    case KeptPixels::Fate::Dropped:
        return QStringLiteral("dropped by the bounds");
    case KeptPixels::Fate::Kept:
        return QStringLiteral("kept");
    case KeptPixels::Fate::Differs:
        return QStringLiteral("differs between screenshots");
    }
    return {};
}

// What K shows in the clip's Zoom: which of the clip's pixels Create Object would keep now, and
// of those, the ones a definition made from all screenshots dropped as they differ.
PopupForm::KeptView keptViewOf(const PictureBox &clip, const GeneratorInputs &inputs,
                               const std::vector<QPoint> &differs)
{
    const QImage image = clip.image();
    auto kept = keptPixels(ClipPixels(clip), inputs, clip.drawingSize());
    if (!kept) {
        const QString none = QStringLiteral("nothing kept: the width or height is no number");
        return {image,
                QStringLiteral("Zoom - ") + none,
                QStringLiteral("Kept pixels: ") + none,
                QSize(),
                {}};
    }
    markDiffering(*kept, differs);
    const QLocale locale;
    const int differing = int(differs.size());
    QString counts = QStringLiteral("%1 of %2 sampled pixels kept")
                         .arg(locale.toString(kept->kept() - differing),
                              locale.toString(kept->sampled));
    QString legend = QStringLiteral("dropped by the bounds: red cross; not sampled: dimmed");
    if (differing > 0) {
        counts += QStringLiteral(", %1 differ between screenshots").arg(locale.toString(differing));
        legend += QStringLiteral("; differ between screenshots: blue upright cross");
    }
    const QImage view = keptView(image, *kept);
    return {view, QStringLiteral("Zoom - %1; %2").arg(counts, legend),
            QStringLiteral("Kept pixels: ") + counts, kept->area,
            [kept = *kept](QPoint p) { return fateWords(kept.fate(p.x(), p.y())); }};
}

} // namespace

Form1::Form1(std::unique_ptr<Clipboard> clipboard, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_clipboard(clipboard ? std::move(clipboard) : systemClipboard())
{
    // A screen reader's interfaces are made as the controls are built; the window's role comes
    // first, so that each of them is made by the tool's own factories, in the screen's pixels.
    setReaderBridgeScalesRectangles(readerBridgeScalesRectangles());
    setAccessibleRole(this, QAccessible::Window);
    setWindowTitle(QString::fromLatin1(windowCaption));
    setWindowIcon(appIcon());
    setObjectName(QStringLiteral("Form1"));
    setAcceptDrops(true);
    buildControls();
    makeSubsystems();
    m_view->allowScrollablePictures();
    buildTabOrder();
    connectHandlers();
    describeForScreenReaders(*this, {[this](int i) { ImgBuffer_MouseUp(i, LeftButton, 0, 0, 0); },
                                     [this](int i) {
                                         m_state.menuTarget = static_cast<std::int16_t>(i);
                                         delete_Click();
                                     },
                                     [this](int i) {
                                         m_state.menuTarget = static_cast<std::int16_t>(i);
                                         ZoomIn_Click();
                                     }});
    Form_Load();
}

Form1::~Form1() = default;

// The object of each subsystem and flow, given the controls and the state it works on.
void Form1::makeSubsystems()
{
    m_status = std::make_unique<StatusLine>(lblCoords);
    m_job = std::make_unique<JobStatus>(*m_status);
    m_view = std::make_unique<ScrollingView>(
        ScrollingView::Controls{picScroll, PicInner, HScroll1, VScroll1}, m_state);
    const SelectionControls selection{PicInner, m_status.get(), txtCoords,
                                      txtWidth, txtHeight,      picClip};
    m_band = std::make_unique<RubberBand>(selection, m_state);
    m_region = std::make_unique<ClipRegion>(selection, m_state);
    m_inputs = std::make_unique<DefinitionInputs>(
        DefinitionInputs::Boxes{txtRedFrom, txtRedTo, txtGreenFrom, txtGreenTo, txtBlueFrom,
                                txtBlueTo, txtObjectName, txtCoords, txtWidth, txtHeight, Option1,
                                Option2, chkUseBlack},
        m_state);
    m_buffers = std::make_unique<ImageBuffers>(ImgBuffer, m_state);
    m_buffers->makeTabStop(0);
    m_previews = std::make_unique<Previews>(this);
    m_text = std::make_unique<TextReader>(*m_clipboard, *m_status,
                                          [this] { return m_keys->lastInputTime(); });
    const auto region = [this] { return definedRegion(currentInputs(), m_state.startX); };
    m_find = std::make_unique<FindFlow>(
        FindFlow::Controls{PicInner, picClip, HScroll1, VScroll1, region}, *m_inputs, *m_buffers,
        *m_job, *m_status, *m_text);
    m_combine = std::make_unique<CombineFlow>(CombineFlow::Controls{PicInner, picClip, region},
                                              *m_inputs, *m_buffers, *m_job, *m_status);
    m_foundTable = new FoundTable(this);
    m_paste = std::make_unique<PasteFlow>(*m_clipboard, PicInner, *m_buffers, *m_job, *m_status);
    m_keys = std::make_unique<WindowKeys>(
        WindowKeys::Parts{this, Option1, Option2, *m_buffers, *m_job, *m_find, *m_text});
}

void Form1::Form_Load()
{
    m_view->PicInner_Resize(); // the ranges, the view's place and style, and drawBox
    m_state.bufferIndex = -1;
    m_state.redTo = 255;
    m_state.redFrom = 0;
    m_state.greenFrom = 0;
    m_state.greenTo = 255;
    m_state.blueFrom = 0;
    m_state.blueTo = 255;
}

void Form1::Command1_Click()
{
    m_paste->pasteClipboard(m_keys->lastInputTime());
}

void Form1::openPictures(const QList<PicturePath> &files)
{
    m_paste->openFiles(files);
}

bool Form1::pictureJobRunning() const
{
    return m_job->running() || m_text->busy();
}

void Form1::ImgBuffer_MouseUp(int index, int button, int, float, float)
{
    if (!isBufferSlot(index) ||
        ((button == LeftButton || button == RightButton) && m_job->refusedWhileBusy()))
        return;
    if (button == LeftButton) {
        m_find->pictureReplaced();
        // Each write below runs its handler at once: the size handler of the view, the clip
        // copy of each geometry box that really changes, and the scroll handler of each bar.
        PicInner->setPicture(m_buffers->picture(index).picture());
        m_buffers->showSlot(PicInner->picture().isNull() ? -1 : index);
        txtCoords->setText(QString());
        txtWidth->setText(QString());
        txtHeight->setText(QString());
        picClip->setPicture(QImage());
        HScroll1->setValue(0);
        VScroll1->setValue(0);
        const QImage &shown = PicInner->picture();
        // What changed is said whole: a screen reader user sees neither the view nor the boxes.
        m_status->report(
            shown.isNull()
                ? QStringLiteral("Buffer %1 is empty: the view and the region are cleared")
                      .arg(index + 1)
                : QStringLiteral("Buffer %1 brought back, %2; the region is cleared")
                      .arg(index + 1)
                      .arg(sizeDescription(shown.size())));
    }
    if (button == RightButton) {
        m_state.menuTarget = static_cast<std::int16_t>(index);
        openPopMenu();
    }
}

void Form1::delete_Click()
{
    // Opened on the clip box there is no buffer to delete. Shifting from there would throw
    // away the picture in the last slot, which the user never chose, so nothing happens.
    if (!m_state.menuTarget || !isBufferSlot(*m_state.menuTarget) || m_job->refusedWhileBusy())
        return;
    // The places found in the screenshot of the slot go with it; the view keeps showing it,
    // which the words say, as nothing else would.
    const bool shown = m_buffers->shownSlot() == *m_state.menuTarget;
    if (shown)
        m_find->pictureReplaced();
    QString done = m_buffers->remove(*m_state.menuTarget);
    if (shown && !PicInner->picture().isNull())
        done += QStringLiteral("; the view still shows its screenshot");
    m_status->report(done);
}

void Form1::PicInner_MouseDown(int button, int shift, float x, float y)
{
    m_band->PicInner_MouseDown(button, shift, x, y); // takes away the band of the previous drag
    m_find->inputsChanged();
}

GeneratorInputs Form1::currentInputs() const
{
    return m_inputs->currentInputs();
}

void Form1::btnCreate_Click()
{
    if (m_job->refusedWhileBusy())
        return;
    const Creation creation = createObject(ClipPixels(*picClip), currentInputs());
    if (!creation.text) {
        // A failed run changes neither the result box nor the clipboard; the user hears why.
        m_status->say(creation.refusal);
        return;
    }
    present(*creation.text, creation.keptCount, [&creation](bool copied) {
        return std::pair(createdStatus(creation, copied), createdAnnouncement(creation, copied));
    });
}

void Form1::present(const QString &text, int kept,
                    const std::function<std::pair<QString, QString>(bool copied)> &words)
{
    const GeneratorInputs inputs = currentInputs();
    txtObject->setText(text);
    m_find->setDefinition(text);
    m_find->inputsChanged();
    // A screen reader hears how many pixels were kept.
    txtObject->setAccessibleDescription(QStringLiteral("%1 pixels kept").arg(kept));
    // If this fails the result box still holds the text.
    const auto [shown, spoken] = words(m_clipboard->setText(text));
    // Warnings where the definition will mislead, shown and spoken whole; the next move on the
    // view writes the status line anew.
    const QString warnings =
        creationWarnings(kept, definedRegion(inputs, m_state.startX), PicInner->picture().size()) +
        boundWarnings(inputs) +
        (clipOfAnotherScreenshot(*picClip, PicInner->picture()) ? QLatin1String(earlierClipWarning)
                                                                : QLatin1String());
    m_status->announce(spoken + (warnings.isEmpty() ? QString()
                                                    : QStringLiteral(" ") +
                                                          capitalised(warnings.sliced(2)) +
                                                          QStringLiteral(".")));
    m_status->show(shown + warnings);
}

void Form1::picClip_MouseUp(int button, int, float, float)
{
    if (button != RightButton || m_job->refusedWhileBusy())
        return;
    m_state.menuTarget = clipMenuTarget;
    openPopMenu();
}

void Form1::ZoomIn_Click()
{
    if (m_job->refusedWhileBusy())
        return;
    const int target = m_state.menuTarget.value_or(clipMenuTarget);
    if (isBufferSlot(target)) {
        m_previews->zoomBuffer(target, m_buffers->picture(target).picture());
        return;
    }
    // The Zoom is named by the region marked, which the clip box (as large as the last drag)
    // may not be.
    const QRect region = definedRegion(currentInputs(), m_state.startX);
    m_previews->zoomClip(picClip->image(),
                         region.isEmpty() ? picClip->drawingSize() : region.size(),
                         [this] {
                             return keptViewOf(*picClip, currentInputs(), m_combine->differsNow());
                         });
}

void Form1::imgEgg_DblClick()
{
    if (!m_job->refusedWhileBusy())
        m_previews->showHidden();
}

void Form1::openPopMenu()
{
    const std::optional<QPoint> at = std::exchange(m_menuPosition, std::nullopt);
    // A screen reader hears what the items act on; the captions stay as they are.
    const int target = m_state.menuTarget.value_or(-1);
    const QString of =
        isBufferSlot(target) ? QStringLiteral(" of buffer %1").arg(target + 1) : QString();
    setAccessibleItemName(deleteItem,
                          of.isEmpty() ? QString() : QStringLiteral("Delete Image") + of);
    setAccessibleItemName(ZoomIn, QStringLiteral("Expanded Preview") +
                                      (of.isEmpty() ? QStringLiteral(" of the clip") : of));
    // The clip box holds no buffer to delete: the item is there, greyed, and a screen reader
    // says it is unavailable.
    deleteItem->setEnabled(!of.isEmpty());
    // Only the clip's region is made a definition of.
    combineItem->setVisible(of.isEmpty());
    PopMenu->setAccessibleName(QStringLiteral("Menu") +
                               (of.isEmpty() ? QStringLiteral(" of the clip") : of));
    // Opened by a key, the menu is told as it opens, which it does as it takes the keyboard,
    // and then has its first item active, which a screen reader speaks next. The item comes a
    // moment later: a reader that finds a newer focus waiting passes over the menu.
    if (at)
        QTimer::singleShot(0, PopMenu, [this] {
            QAccessibleEvent opened(PopMenu, QAccessible::Focus);
            QAccessible::updateAccessibility(&opened);
            QTimer::singleShot(menuToldMs, PopMenu, [this] {
                if (!PopMenu->isVisible()) // closed meanwhile: nothing to make active
                    return;
                for (QAction *item : PopMenu->actions())
                    if (item->isEnabled()) {
                        PopMenu->setActiveAction(item);
                        return;
                    }
            });
        });
    PopMenu->exec(at.value_or(QCursor::pos()));
}

const StoredPicture &Form1::bufferPicture(int index) const
{
    return m_buffers->picture(index);
}

PopupForm *Form1::popupForm() const
{
    return m_previews->popupForm();
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

// A drop while a picture is read or searched is refused in words, and the program it came from
// is told that nothing was taken.
void Form1::dropEvent(QDropEvent *event)
{
    const QList<PicturePath> files = droppedFiles(event->mimeData());
    if (files.isEmpty() || !m_paste->mayStart()) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    openPictures(files);
}

} // namespace corvantile
