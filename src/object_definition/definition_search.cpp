#include "definition_search.h"

#include <QLocale>
#include <QStringList>

namespace corvantile {

DefinitionSearch::DefinitionSearch()
{
    connect(&m_job, &BackgroundJob::finished, this, &DefinitionSearch::finished);
}

bool DefinitionSearch::start(const QImage &picture, std::vector<DefinitionEntry> entries,
                             QSize area)
{
    if (!m_job.begin())
        return false;
    clear();
    m_area = area;
    std::shared_ptr<const PeakPlane> plane = m_peaksOf == picture.cacheKey() ? m_peaks : nullptr;
    m_job.run([this, picture, plane, entries = std::move(entries)](const BackgroundJob::Post &post,
                                                                   JobProgress &progress) {
        const auto peaks = plane ? plane : std::make_shared<const PeakPlane>(picture);
        qint64 found = 0;
        std::vector<QPoint> places =
            findDefinition(*peaks, entries, progress.cancelled, found, 100000, &progress.done);
        if (progress.cancelled)
            return;
        // Runs on the window's thread, only while the job is still this object's.
        post([this, peaks, key = picture.cacheKey(), places = std::move(places), found] {
            m_peaks = peaks;
            m_peaksOf = key;
            m_matches = places;
            m_found = found;
        });
    });
    return true;
}

void DefinitionSearch::forgetPicture()
{
    m_peaks.reset();
    m_peaksOf = 0;
}

void DefinitionSearch::clear()
{
    m_matches.clear();
    m_found = 0;
    m_index = -1;
}

std::optional<DefinitionSearch::Match> DefinitionSearch::go(int step)
{
    if (m_matches.empty() || busy())
        return std::nullopt;
    const int count = int(m_matches.size());
    // From before the first place, a step back lands on the last.
    m_index = ((m_index < 0 && step < 0 ? count + step : m_index + step) % count + count) % count;
    return Match{m_index, count, m_matches[size_t(m_index)]};
}

QString foundText(const std::vector<QPoint> &places, qint64 found)
{
    if (found == 0)
        return QStringLiteral("Not found in this screenshot");
    QStringList shown;
    for (size_t i = 0; i < std::min<size_t>(5, places.size()); ++i)
        shown << QStringLiteral("%1, %2").arg(places[i].x()).arg(places[i].y());
    QString text = found == 1
                       ? QStringLiteral("Found at 1 place: ")
                       : QStringLiteral("Found at %1 places: ").arg(QLocale().toString(found));
    text += shown.join(QStringLiteral(" \u00b7 "));
    if (found > 5)
        text += QStringLiteral(" \u2026");
    return text;
}

QString matchText(const DefinitionSearch::Match &match)
{
    const QLocale locale;
    return QStringLiteral("Match %1 of %2: %3, %4")
        .arg(locale.toString(match.index + 1), locale.toString(match.count))
        .arg(match.place.x())
        .arg(match.place.y());
}

} // namespace corvantile
