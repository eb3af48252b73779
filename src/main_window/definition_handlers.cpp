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
#include "selection/geometry.h"
#include "selection/rubber_band.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>

namespace corvantile {

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
    clearMatches();
    // A screen reader hears how many pixels were kept.
    txtObject->setAccessibleDescription(creation.kept);
    // If this fails the result box still holds the text.
    const bool copied = clipboard().setText(*creation.text);
    announce(createdAnnouncement(creation, copied));
    // A sighted user sees it happen too, with a warning where the definition will mislead; the
    // next move on the view writes the status line anew.
    const TypedCorner corner = parseCorner(txtCoords->text());
    const QRect region(pixelFromDouble(corner.x.value_or(state.startX)), pixelFromDouble(corner.y),
                       pixelFromDouble(numericValue(inputs.widthText)),
                       pixelFromDouble(numericValue(inputs.heightText)));
    lblCoords->setText(createdStatus(creation, copied) +
                       creationWarnings(creation.keptCount, region, PicInner->picture().size()));
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
    if (m_search->start(picture, kept->entries, area))
        jobStarted(QStringLiteral("searching the screenshot"), 200);
}

void Form1::findClipboardDefinition()
{
    if (!mayStartSearch())
        return;
    const DefinitionText read = parseDefinition(m_clipboard->readText());
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
    if (m_search->start(PicInner->picture(), read.entries, area))
        jobStarted(QStringLiteral("searching the screenshot"), 200);
}

void Form1::searchFinished(bool cancelled)
{
    jobEnded();
    if (cancelled) {
        announce(QStringLiteral("Search stopped"));
        return;
    }
    QList<QRect> outlines;
    outlines.reserve(qsizetype(m_search->matches().size()));
    for (const QPoint &place : m_search->matches())
        outlines << QRect(place, m_search->area());
    PicInner->setOutlines(outlines);
    QString text = foundText(m_search->matches(), m_search->found());
    if (!m_searchName.isEmpty()) // "CloseButton: found at 1 place: 1604, 88"
        text = m_searchName + QStringLiteral(": ") + text.left(1).toLower() + text.mid(1);
    m_statusAfterJob = text;
    say(text);
    m_findStatus = text;
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
