// Create Object, and the definition looked for in the screenshot: the places where it matches,
// outlined in the view.

#include "common/numbers.h"
#include "controls/locked_text_box.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "object_definition/clip_pixels.h"
#include "object_definition/create_object.h"
#include "object_definition/definition_inputs.h"
#include "object_definition/definition_search.h"
#include "object_definition/definition_text.h"
#include "screenshot/image_buffers.h"
#include "selection/geometry.h"
#include "selection/rubber_band.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>

namespace corvantile {
namespace {

// The place a definition found nowhere comes nearest is outlined in cyan, apart from the
// magenta of the places found.
constexpr QRgb nearestOutlineColour = 0xff00ffff;

} // namespace

GeneratorInputs Form1::currentInputs() const
{
    return m_inputs->currentInputs();
}

void Form1::btnCreate_Click()
{
    if (refusedWhileBusy())
        return;
    const GeneratorInputs inputs = currentInputs();
    const Creation creation = createObject(ClipPixels(*picClip), inputs);
    if (!creation.text) {
        // A failed run changes neither the result box nor the clipboard; the user hears why.
        say(creation.refusal);
        return;
    }
    txtObject->setText(*creation.text);
    m_definition = *creation.text;
    clearMatches();
    // A screen reader hears how many pixels were kept.
    txtObject->setAccessibleDescription(creation.kept);
    // If this fails the result box still holds the text.
    const bool copied = clipboard().setText(*creation.text);
    announce(createdAnnouncement(creation, copied));
    // A sighted user sees it happen too, with a warning where the definition will mislead; the
    // next move on the view writes the status line anew.
    lblCoords->setText(
        createdStatus(creation, copied) +
        creationWarnings(creation.keptCount, definedRegion(inputs), PicInner->picture().size()));
}

// The region a definition is made of: the corner typed (or dragged), and the width and height.
QRect Form1::definedRegion(const GeneratorInputs &inputs) const
{
    const TypedCorner corner = parseCorner(txtCoords->text());
    return QRect(pixelFromDouble(corner.x.value_or(state.startX)), pixelFromDouble(corner.y),
                 pixelFromDouble(numericValue(inputs.widthText)),
                 pixelFromDouble(numericValue(inputs.heightText)));
}

void Form1::PicInner_MouseDown(int button, int shift, float x, float y)
{
    m_band->PicInner_MouseDown(button, shift, x, y); // takes away the band of the previous drag
    clearMatches();
}

// Whether a search may start now: no job runs, and there is a screenshot to search.
bool Form1::mayStartSearch()
{
    if (refusedWhileBusy())
        return false;
    if (PicInner->picture().isNull()) {
        say(QStringLiteral("Nothing to search: no screenshot in the view"));
        return false;
    }
    return true;
}

void Form1::findInScreenshot()
{
    if (!mayStartSearch())
        return;
    const QImage picture = PicInner->picture();
    const QSize area = picClip->drawingSize();
    const auto kept = keptPixels(ClipPixels(*picClip), currentInputs(), area);
    if (!kept) {
        say(QStringLiteral("Nothing to find: the width or height is not a number"));
        return;
    }
    if (kept->entries.empty()) {
        say(QStringLiteral("Nothing to find: the definition keeps no pixel"));
        return;
    }
    clearMatches();
    m_searchName.clear();
    // Each place found is outlined at the size of the region typed or dragged, which the clip
    // box (as large as the last drag) may not be. A region that reaches past the screenshot's
    // edge is not found where it was cut: the result says so.
    const QRect region = definedRegion(currentInputs());
    m_findNote = outsideWarning(region, picture.size());
    if (m_search->start(picture, kept->entries, region.size().expandedTo(QSize(1, 1))))
        jobStarted(QStringLiteral("searching the screenshot"), 200);
}

// The clipboard's text is read off the window's thread; the search starts once it is here.
void Form1::findClipboardDefinition()
{
    if (!mayStartSearch())
        return;
    readClipboardText([this](const std::optional<QString> &text) {
        if (!text)
            say(QStringLiteral("Nothing to find: the clipboard's owner did not answer"));
        else if (mayStartSearch())
            findDefinitionText(*text);
    });
}

void Form1::findDefinitionText(const QString &text)
{
    const DefinitionText read = parseDefinition(text);
    if (!read.error.isEmpty()) {
        say(read.error);
        return;
    }
    if (read.entries.empty()) {
        say(QStringLiteral("Nothing to find: the definition keeps no pixel"));
        return;
    }
    // Each place found is outlined as large as the entries reach.
    QSize area(0, 0);
    for (const DefinitionEntry &e : read.entries)
        area = area.expandedTo(QSize(e.x + 1, e.y + 1));
    clearMatches();
    m_searchName = read.name;
    m_findNote.clear();
    m_definition = text;
    if (m_search->start(PicInner->picture(), read.entries, area))
        jobStarted(QStringLiteral("searching the screenshot"), 200);
}

void Form1::findInBuffers()
{
    if (refusedWhileBusy())
        return;
    if (m_definition.isEmpty()) {
        say(QStringLiteral("Nothing to look for: press Create Object or Ctrl+Shift+F"));
        return;
    }
    const DefinitionText read = parseDefinition(m_definition);
    if (read.entries.empty()) {
        say(QStringLiteral("Nothing to find: the definition keeps no pixel"));
        return;
    }
    std::vector<DefinitionSearch::Buffer> buffers;
    for (int i = 0; i < bufferCount; ++i)
        if (!m_buffers->picture(i).isNull())
            buffers.push_back({i + 1, m_buffers->picture(i)});
    if (buffers.empty()) {
        say(QStringLiteral("Nothing to search: no buffer holds a screenshot"));
        return;
    }
    if (m_search->startInBuffers(std::move(buffers), read.entries))
        jobStarted(QStringLiteral("searching the buffers"), 200);
}

void Form1::searchFinished(bool cancelled)
{
    jobEnded();
    if (cancelled) {
        report(QStringLiteral("Search stopped"));
        return;
    }
    showOutlines();
    QString text = foundText(m_search->matches(), m_search->nearest());
    if (m_search->matches().empty())
        text += m_findNote;
    if (!m_searchName.isEmpty()) // "CloseButton: found at 1 place: 1604, 88"
        text = m_searchName + QStringLiteral(": ") + text.left(1).toLower() + text.mid(1);
    report(text);
    m_findStatus = text;
}

void Form1::buffersSearched(bool cancelled)
{
    jobEnded();
    if (cancelled) {
        report(QStringLiteral("Search stopped"));
        return;
    }
    report(buffersText(m_search->bufferCounts()));
}

// The places found that lie in the part of the screenshot the view shows are outlined, however
// many; when none was found, the place where the definition comes nearest, in a colour of its
// own.
void Form1::showOutlines()
{
    const QSize area = m_search->area();
    if (const auto &nearest = m_search->nearest()) {
        PicInner->setOutlines({QRect(nearest->place, area)}, nearestOutlineColour);
        return;
    }
    QList<QRect> outlines;
    // A place is seen when its ring is: it may begin up to the region's size before the part
    // shown, and end a pixel after it.
    const QRect seen = PicInner->shownDrawing().adjusted(-area.width(), -area.height(), 1, 1);
    for (const QPoint &place : m_search->matches().within(seen))
        outlines << QRect(place, area);
    PicInner->setOutlines(outlines);
}

// The outlines go, and with them what the status line says of the search, so that nothing on
// the screen describes a search of another picture or of another definition.
void Form1::clearMatches()
{
    m_search->clear();
    PicInner->setOutlines({});
    if (m_findStatus.isEmpty())
        return;
    if (lblCoords->text() == m_findStatus)
        lblCoords->clear();
    if (m_statusAfterJob == m_findStatus)
        m_statusAfterJob.clear();
    m_findStatus.clear();
}

// What Ctrl+F would look for changes with every bound, the sampling, the black rule and the
// region: the places found for the one before no longer stand for it.
void Form1::connectDefinitionChanges()
{
    for (QLineEdit *box : {txtRedFrom, txtRedTo, txtGreenFrom, txtGreenTo, txtBlueFrom, txtBlueTo,
                           txtCoords, txtWidth, txtHeight})
        connect(box, &QLineEdit::textChanged, this, &Form1::clearMatches);
    for (QAbstractButton *choice :
         std::initializer_list<QAbstractButton *>{Option1, Option2, chkUseBlack})
        connect(choice, &QAbstractButton::toggled, this, &Form1::clearMatches);
}

// Scrolls the view so that the match stands near its top-left corner, as far as the bars go.
void Form1::goToMatch(int step)
{
    if (jobRunning())
        return;
    const auto match = m_search->go(step);
    if (!match) {
        say(QStringLiteral("Nothing found to go to: press Ctrl+F"));
        return;
    }
    HScroll1->setValue(std::max(0, match->place.x() - 20));
    VScroll1->setValue(std::max(0, match->place.y() - 20));
    m_findStatus = matchText(*match);
    say(m_findStatus);
}

} // namespace corvantile
