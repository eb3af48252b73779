#include "definition_search.h"

#include "common/words.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>

namespace corvantile {
namespace {

// The picture's peaks; nothing once cancelled.
std::shared_ptr<const PeakPlane> peaksOf(const QImage &picture, const std::atomic<bool> &cancelled)
{
    auto peaks = std::make_shared<PeakPlane>(picture.size());
    if (!peaks->addRows(picture, 0, &cancelled))
        return nullptr;
    return peaks;
}

} // namespace

DefinitionSearch::DefinitionSearch()
{
    connect(&m_job, &BackgroundJob::finished, this, [this](bool cancelled) {
        emit(m_inBuffers ? buffersSearched(cancelled) : finished(cancelled));
    });
}

bool DefinitionSearch::start(const QImage &picture, std::vector<DefinitionEntry> entries,
                             QSize area)
{
    if (!m_job.begin())
        return false;
    m_inBuffers = false;
    m_several = false;
    m_area = area;
    const std::shared_ptr<const PeakPlane> plane = peaksKeptFor(picture);
    m_job.run([this, picture, plane, entries = std::move(entries)](const BackgroundJob::Post &post,
                                                                   JobProgress &progress) {
        const auto peaks = plane ? plane : peaksOf(picture, progress.cancelled);
        if (!peaks)
            return;
        auto matches = std::make_shared<MatchSet>(
            findDefinition(*peaks, entries, progress.cancelled, &progress.done));
        std::optional<NearMiss> nearest;
        if (matches->empty() && !progress.cancelled)
            nearest = nearestPlace(*peaks, entries, progress.cancelled);
        if (progress.cancelled)
            return;
        // Runs on the window's thread, only while the job is still this object's.
        post([this, peaks, key = picture.cacheKey(), matches, nearest] {
            m_peaks = peaks;
            m_peaksOf = key;
            m_matches = std::move(*matches);
            m_nearest = nearest;
        });
    });
    return true;
}

std::shared_ptr<const PeakPlane> DefinitionSearch::peaksKeptFor(const QImage &picture)
{
    std::shared_ptr<const PeakPlane> plane = m_peaksOf == picture.cacheKey() ? m_peaks : nullptr;
    // A plane of an older picture is no use to this search: it goes before the new one is made.
    forgetPicture();
    return plane;
}

bool DefinitionSearch::startSeveral(const QImage &picture, std::vector<Named> definitions)
{
    if (!m_job.begin())
        return false;
    m_inBuffers = false;
    m_several = true;
    m_found.clear();
    const std::shared_ptr<const PeakPlane> plane = peaksKeptFor(picture);
    m_job.run([this, picture, plane, definitions = std::move(definitions)](
                  const BackgroundJob::Post &post, JobProgress &progress) {
        const auto peaks = plane ? plane : peaksOf(picture, progress.cancelled);
        if (!peaks)
            return;
        std::vector<Found> found;
        for (const Named &definition : definitions) {
            progress.done = qint64(100 * found.size() / definitions.size());
            const MatchSet matches = findDefinition(*peaks, definition.entries, progress.cancelled);
            Found one{definition.name, matches.count(), matches.empty() ? QPoint() : matches.at(0),
                      std::nullopt};
            if (matches.empty() && !progress.cancelled)
                one.nearest = nearestPlace(*peaks, definition.entries, progress.cancelled);
            if (progress.cancelled)
                return;
            found.push_back(std::move(one));
        }
        post([this, peaks, key = picture.cacheKey(), found = std::move(found)] {
            m_peaks = peaks;
            m_peaksOf = key;
            m_found = found;
        });
    });
    return true;
}

bool DefinitionSearch::startInBuffers(std::vector<Buffer> buffers,
                                      std::vector<DefinitionEntry> entries)
{
    return startInBuffers(std::move(buffers), {Named{QString(), std::move(entries)}});
}

bool DefinitionSearch::startInBuffers(std::vector<Buffer> buffers, std::vector<Named> definitions)
{
    if (!m_job.begin())
        return false;
    m_inBuffers = true;
    m_several = definitions.size() > 1;
    m_bufferCounts.clear();
    m_inBuffersFound.clear();
    m_job.run([this, buffers = std::move(buffers), definitions = std::move(definitions)](
                  const BackgroundJob::Post &post, JobProgress &progress) {
        // Of several definitions, one found nowhere in a buffer names where it comes nearest.
        const bool nearest = definitions.size() > 1;
        const size_t steps = buffers.size() * definitions.size();
        std::vector<std::vector<Found>> found;
        for (const Buffer &buffer : buffers) {
            // Each compressed picture's peaks are worked out band by band as it is unpacked,
            // once, however many definitions are looked for, and it is never unpacked whole;
            // one that is not compressed yet is read where it is, a few hundred rows at a
            // time, with the cancel looked at between them.
            PeakPlane peaks(buffer.picture.size());
            const bool whole = buffer.picture.forEachBand([&](const QImage &band, int top) {
                return peaks.addRows(band, top, &progress.cancelled);
            });
            if (progress.cancelled)
                return;
            std::vector<Found> inBuffer;
            for (const Named &definition : definitions) {
                progress.done =
                    qint64(100 * (found.size() * definitions.size() + inBuffer.size()) / steps);
                Found one{definition.name, 0, QPoint(), std::nullopt};
                // A picture that could not be unpacked whole holds the definition nowhere.
                if (whole) {
                    const MatchSet matches =
                        findDefinition(peaks, definition.entries, progress.cancelled);
                    one.count = matches.count();
                    if (!matches.empty())
                        one.first = matches.at(0);
                    else if (nearest && !progress.cancelled)
                        one.nearest = nearestPlace(peaks, definition.entries, progress.cancelled);
                }
                if (progress.cancelled)
                    return;
                inBuffer.push_back(std::move(one));
            }
            found.push_back(std::move(inBuffer));
        }
        std::vector<BufferCount> counts;
        for (size_t i = 0; i < buffers.size(); ++i)
            counts.push_back({buffers[i].number, found[i].front().count});
        post([this, counts = std::move(counts), found = std::move(found)] {
            m_bufferCounts = counts;
            m_inBuffersFound = found;
        });
    });
    return true;
}

void DefinitionSearch::forgetPicture()
{
    m_peaks.reset();
    m_peaksOf = 0;
    clear();
}

void DefinitionSearch::clear()
{
    m_matches = MatchSet();
    m_nearest.reset();
    m_index = -1;
}

std::optional<DefinitionSearch::Match> DefinitionSearch::go(qint64 step)
{
    if (busy())
        return std::nullopt;
    if (m_matches.empty())
        return m_nearest ? std::optional(Match{0, 1, m_nearest->place, m_nearest}) : std::nullopt;
    const qint64 count = m_matches.count();
    // From before the first place, a step back lands on the last.
    m_index = ((m_index < 0 && step < 0 ? count + step : m_index + step) % count + count) % count;
    return Match{m_index, count, m_matches.at(m_index), std::nullopt};
}

namespace {

QString placeText(QPoint place)
{
    return QStringLiteral("%1, %2").arg(place.x()).arg(place.y());
}

QString nearestText(const NearMiss &nearest)
{
    const QLocale locale;
    // Of a large definition, the place named may not be the best there is: the words say so.
    return QStringLiteral("%1 of %2 pixels at %3%4")
        .arg(locale.toString(nearest.matched), locale.toString(nearest.of),
             placeText(nearest.place),
             nearest.best ? QString() : QStringLiteral(" (a better place may exist)"));
}

QString placesText(qint64 count)
{
    return count == 1 ? QStringLiteral("1 place")
                      : QStringLiteral("%1 places").arg(QLocale().toString(count));
}

} // namespace

QString foundText(const MatchSet &matches, const std::optional<NearMiss> &nearest)
{
    if (matches.empty())
        return QStringLiteral("Not found in this screenshot") +
               (nearest ? (nearest->best ? QStringLiteral("; best: ")
                                         : QStringLiteral("; best found: ")) +
                              nearestText(*nearest)
                        : QString());
    QStringList shown;
    for (const QPoint &place : matches.first(5))
        shown << placeText(place);
    QString text = QStringLiteral("Found at %1: ").arg(placesText(matches.count()));
    text += shown.join(QStringLiteral(" \u00b7 "));
    if (matches.count() > 5)
        text += QStringLiteral(" \u2026");
    return text;
}

QString matchText(const DefinitionSearch::Match &match)
{
    if (match.nearest)
        return (match.nearest->best ? QStringLiteral("Best: ") : QStringLiteral("Best found: ")) +
               nearestText(*match.nearest);
    const QLocale locale;
    return QStringLiteral("Match %1 of %2: %3")
        .arg(locale.toString(match.index + 1), locale.toString(match.count),
             placeText(match.place));
}

QString severalText(const std::vector<DefinitionSearch::Found> &found, const QStringList &unread)
{
    const QLocale locale;
    QStringList seen;
    QStringList missed;
    for (const DefinitionSearch::Found &one : found) {
        if (one.count > 0) {
            // The first says what its number counts; the rest follow it.
            seen << QStringLiteral("%1 (%2)").arg(
                one.name, seen.isEmpty() ? placesText(one.count) : locale.toString(one.count));
        } else if (one.nearest) {
            missed << QStringLiteral("%1 (best %2%3 of %4 at %5%6)")
                          .arg(one.name, one.nearest->best ? QString() : QStringLiteral("found "),
                               locale.toString(one.nearest->matched),
                               locale.toString(one.nearest->of), placeText(one.nearest->place),
                               one.nearest->best ? QString()
                                                 : QStringLiteral("; a better place may exist"));
        } else {
            missed << one.name;
        }
    }
    QString text = QStringLiteral("%1 of %2 definitions found")
                       .arg(locale.toString(qsizetype(seen.size())),
                            locale.toString(qsizetype(found.size()) + unread.size()));
    if (!seen.isEmpty())
        text += QStringLiteral(": ") + seen.join(QStringLiteral(", "));
    if (!missed.isEmpty())
        text += QStringLiteral("; not found: ") + missed.join(QStringLiteral(", "));
    if (!unread.isEmpty())
        text += QStringLiteral("; not read: ") + unread.join(QStringLiteral("; "));
    return text;
}

QString buffersText(const std::vector<DefinitionSearch::BufferCount> &counts)
{
    QStringList found;
    QStringList missing;
    for (const DefinitionSearch::BufferCount &count : counts) {
        if (count.found > 0)
            found
                << QStringLiteral("buffer %1 (%2)").arg(count.number).arg(placesText(count.found));
        else
            missing << QString::number(count.number);
    }
    const QString notIn = missing.isEmpty()
                              ? QString()
                              : QStringLiteral("not in buffer%1 %2")
                                    .arg(missing.size() == 1 ? QString() : QStringLiteral("s"),
                                         missing.join(QStringLiteral(", ")));
    if (found.isEmpty())
        return capitalised(notIn);
    QString text = QStringLiteral("Found in ") + found.join(QStringLiteral(", "));
    return notIn.isEmpty() ? text : text + QStringLiteral("; ") + notIn;
}

} // namespace corvantile
