#include "find_flow.h"

#include "common/numbers.h"
#include "controls/picture_box.h"
#include "controls/status_line.h"
#include "main_window/job_status.h"
#include "main_window/text_reader.h"
#include "object_definition/clip_pixels.h"
#include "object_definition/create_object.h"
#include "object_definition/definition_inputs.h"
#include "object_definition/definition_text.h"
#include "screenshot/image_buffers.h"
#include "selection/clip_copy.h"
#include "selection/geometry.h"

#include <QScrollBar>
#include <utility>

namespace corvantile {
namespace {

// The place a definition found nowhere comes nearest is outlined in cyan, apart from the
// magenta of the places found.
constexpr QRgb nearestOutlineColour = 0xff00ffff;

JobStatus::Job searchJob(const QString &what, DefinitionSearch &search)
{
    return {what, 200,
            [&search](const QString &doing, qint64) {
                return QStringLiteral("%1: %2 %").arg(doing).arg(search.percent());
            },
            [&search] { search.cancel(); }};
}

// A definition read from text is outlined as large as its entries reach.
QSize reachOf(const std::vector<DefinitionEntry> &entries)
{
    QSize area(0, 0);
    for (const DefinitionEntry &e : entries)
        area = area.expandedTo(QSize(e.x + 1, e.y + 1));
    return area;
}

} // namespace

FindFlow::FindFlow(const Controls &controls, const DefinitionInputs &inputs,
                   const ImageBuffers &buffers, JobStatus &job, StatusLine &status,
                   TextReader &text)
    : m_controls(controls), m_inputs(inputs), m_buffers(buffers), m_job(job), m_status(status),
      m_text(text)
{
    connect(&m_search, &DefinitionSearch::finished, this, &FindFlow::searchFinished);
    connect(&m_search, &DefinitionSearch::buffersSearched, this, &FindFlow::buffersSearched);
}

// Whether a search may start now: no job runs, and there is a screenshot to search.
bool FindFlow::mayStart()
{
    if (m_job.refusedWhileBusy())
        return false;
    if (m_controls.view->picture().isNull()) {
        m_status.say(QStringLiteral("Nothing to search: no screenshot in the view"));
        return false;
    }
    return true;
}

bool FindFlow::keepsPixels(const std::vector<DefinitionEntry> &entries)
{
    if (entries.empty())
        m_status.say(QStringLiteral("Nothing to find: the definition keeps no pixel"));
    return !entries.empty();
}

void FindFlow::findInScreenshot()
{
    if (!mayStart())
        return;
    const auto kept = keptPixels(ClipPixels(*m_controls.clip), m_inputs.currentInputs(),
                                 m_controls.clip->drawingSize());
    if (!kept) {
        m_status.say(QStringLiteral("Nothing to find: the width or height is not a number"));
        return;
    }
    if (!keepsPixels(kept->entries))
        return;
    // Each place found is outlined at the size of the region typed or dragged, which the clip
    // box (as large as the last drag) may not be. A region that reaches past the screenshot's
    // edge is not found where it was cut: the result says so.
    const QRect region = m_controls.region();
    start([this, &kept, area = region.size().expandedTo(QSize(1, 1))](
              const QImage &picture) { return m_search.start(picture, kept->entries, area); },
          QString(),
          outsideWarning(region, m_controls.view->picture().size()) +
              (clipOfAnotherScreenshot(*m_controls.clip, m_controls.view->picture())
                   ? QLatin1String(earlierClipWarning)
                   : QLatin1String()));
}

// The clipboard's text is read off the window's thread; the search starts once it is here.
void FindFlow::findClipboardDefinition()
{
    if (!mayStart())
        return;
    m_text.read([this](const std::optional<QString> &text) {
        if (!text)
            m_status.say(QStringLiteral("Nothing to find: the clipboard's owner did not answer"));
        else if (mayStart())
            findDefinitionText(*text);
    });
}

void FindFlow::findDefinitionText(const QString &text)
{
    const std::vector<DefinitionText> all = parseDefinitions(text);
    if (all.size() > 1) {
        findSeveral(text, all);
        return;
    }
    const DefinitionText &read = all.front();
    if (!read.error.isEmpty()) {
        inputsChanged(); // F3 has nothing left to go to
        m_status.say(read.error);
        return;
    }
    if (!keepsPixels(read.entries))
        return;
    m_definition = text;
    start(
        [this, &read](const QImage &picture) {
            return m_search.start(picture, read.entries, reachOf(read.entries));
        },
        read.name, QString());
}

namespace {

// The definitions of a script that can be looked for; why each of the others cannot is added
// to `unread`.
std::vector<DefinitionSearch::Named> readable(const std::vector<DefinitionText> &read,
                                              QStringList &unread)
{
    std::vector<DefinitionSearch::Named> named;
    for (const DefinitionText &definition : read) {
        if (!definition.error.isEmpty())
            unread << definition.error.sliced(definition.error.indexOf(u':') + 2);
        else if (definition.entries.empty())
            unread << QStringLiteral("%1 keeps no pixel").arg(definition.name);
        else
            named.push_back({definition.name, definition.entries});
    }
    return named;
}

} // namespace

// A script's definitions, each looked for in the screenshot in one job; those that cannot be
// read are named in the result, and the others are looked for all the same. Ctrl+B looks for
// them in the buffers next.
void FindFlow::findSeveral(const QString &text, const std::vector<DefinitionText> &read)
{
    QStringList unread;
    std::vector<DefinitionSearch::Named> named = readable(read, unread);
    if (named.empty()) {
        inputsChanged();
        m_status.say(QStringLiteral("Nothing to find: no definition could be read: ") +
                     unread.join(QStringLiteral("; ")));
        return;
    }
    m_definition = text;
    start([this, &named](
              const QImage &picture) { return m_search.startSeveral(picture, std::move(named)); },
          QString(), QString());
    m_unread = unread;
}

// One of the definitions of Ctrl+B's table in the screenshot now shown, and the view taken to
// its first place, or to where it comes nearest.
void FindFlow::findFromTable(int definition)
{
    if (definition < 0 || size_t(definition) >= m_tableDefinitions.size() || !mayStart())
        return;
    const DefinitionSearch::Named &chosen = m_tableDefinitions[size_t(definition)];
    start(
        [this, &chosen](const QImage &picture) {
            return m_search.start(picture, chosen.entries, reachOf(chosen.entries));
        },
        chosen.name, QString());
    m_goFirst = true;
}

// The one way a search of the screenshot starts: the old result goes, and the new one is tied
// to the inputs as they are now.
void FindFlow::start(const std::function<bool(const QImage &)> &search, const QString &name,
                     const QString &note)
{
    inputsChanged();
    m_name = name;
    m_note = note;
    m_unread.clear();
    m_goFirst = false;
    m_searchedFor = m_inputsNow;
    if (search(m_controls.view->picture()))
        m_job.started(searchJob(QStringLiteral("searching the screenshot"), m_search));
}

void FindFlow::findInBuffers()
{
    if (m_job.refusedWhileBusy())
        return;
    if (m_definition.isEmpty()) {
        m_status.say(QStringLiteral("Nothing to look for: press Create Object or Ctrl+Shift+F"));
        return;
    }
    QStringList unread;
    std::vector<DefinitionSearch::Named> named = readable(parseDefinitions(m_definition), unread);
    if (!keepsPixels(named.empty() ? std::vector<DefinitionEntry>() : named.front().entries))
        return;
    std::vector<DefinitionSearch::Buffer> buffers;
    for (int i = 0; i < bufferSlotCount; ++i)
        if (!m_buffers.picture(i).isNull())
            buffers.push_back({i + 1, m_buffers.picture(i)});
    if (buffers.empty()) {
        m_status.say(QStringLiteral("Nothing to search: no buffer holds a screenshot"));
        return;
    }
    m_tableDefinitions = named;
    if (m_search.startInBuffers(std::move(buffers), std::move(named)))
        m_job.started(searchJob(QStringLiteral("searching the buffers"), m_search));
}

// The job's end, and whether it ended with a result to show.
bool FindFlow::endedWell(bool cancelled)
{
    m_job.ended();
    if (cancelled) {
        m_status.report(m_stopped.isEmpty() ? QStringLiteral("Search stopped") : m_stopped);
        m_stopped.clear();
        return false;
    }
    if (!m_search.failure().isEmpty()) {
        m_status.report(m_search.failure());
        return false;
    }
    return true;
}

void FindFlow::searchFinished(bool cancelled)
{
    if (!endedWell(cancelled))
        return;
    // A result for inputs that have changed since is no result (the change stopped the search;
    // this holds should its end come all the same).
    if (m_searchedFor != m_inputsNow) {
        m_search.clear();
        return;
    }
    if (m_search.several()) {
        m_status.found(severalText(m_search.found(), m_unread));
        return;
    }
    showOutlines();
    QString text = foundText(m_search.matches(), m_search.nearest());
    if (m_search.matches().empty())
        text += m_note;
    if (!m_name.isEmpty()) // "CloseButton: found at 1 place: 1604, 88"
        text = m_name + QStringLiteral(": ") + uncapitalised(text);
    m_status.found(text);
    if (std::exchange(m_goFirst, false))
        goToMatch(1);
}

void FindFlow::buffersSearched(bool cancelled)
{
    if (!endedWell(cancelled))
        return;
    if (!m_search.several()) {
        m_status.report(buffersText(m_search.bufferCounts()));
        return;
    }
    m_status.report(
        QStringLiteral("Looked for %1 definitions in %2 buffers: the table shows where each is")
            .arg(m_tableDefinitions.size())
            .arg(m_search.bufferCounts().size()));
    emit tableReady(m_search.bufferCounts(), m_search.foundInBuffers());
}

// The places found that lie in the part of the screenshot the view shows are outlined, however
// many; when none was found, the place where the definition comes nearest, in a colour of its
// own.
void FindFlow::showOutlines()
{
    PictureBox &view = *m_controls.view;
    const QSize area = m_search.area();
    if (const auto &nearest = m_search.nearest()) {
        view.setOutlines({QRect(nearest->place, area)}, nearestOutlineColour);
        return;
    }
    QList<QRect> outlines;
    // A place is seen when its ring is: it may begin up to the region's size before the part
    // shown, and end a pixel after it.
    const QRect seen = view.shownDrawing().adjusted(-area.width(), -area.height(), 1, 1);
    for (const QPoint &place : m_search.matches().within(seen))
        outlines << QRect(place, area);
    view.setOutlines(outlines);
}

void FindFlow::inputsChanged()
{
    ++m_inputsNow;
    if (m_search.busy() && !m_search.inBuffers()) {
        m_stopped = QStringLiteral("Search stopped: what it looked for changed");
        m_search.cancel();
    }
    m_search.clear();
    m_controls.view->setOutlines({});
    m_controls.view->setCurrentOutline({});
    m_status.dropFound();
}

void FindFlow::pictureReplaced()
{
    inputsChanged();
    m_search.forgetPicture();
}

// Scrolls the view so that the match stands near its top-left corner, as far as the bars go.
void FindFlow::goToMatch(int step)
{
    if (m_job.running())
        return;
    const auto match = m_search.go(step);
    if (!match) {
        m_status.say(QStringLiteral("Nothing found to go to: press Ctrl+F"));
        return;
    }
    m_controls.across->setValue(std::max(0, match->place.x() - 20));
    m_controls.down->setValue(std::max(0, match->place.y() - 20));
    m_controls.view->setCurrentOutline(QRect(match->place, m_search.area()));
    m_status.found(matchText(*match));
}

QRect definedRegion(const GeneratorInputs &inputs, float startX)
{
    const TypedCorner corner = parseCorner(inputs.topLeftText);
    return QRect(pixelFromDouble(corner.x.value_or(startX)), pixelFromDouble(corner.y),
                 pixelFromDouble(numericValue(inputs.widthText)),
                 pixelFromDouble(numericValue(inputs.heightText)));
}

} // namespace corvantile
