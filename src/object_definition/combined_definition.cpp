#include "combined_definition.h"

#include <QLocale>
#include <QStringList>

namespace corvantile {

namespace {

// Whether an entry holds its peak with the thing at `place`; outside the picture it holds none.
bool holds(const PeakPlane &plane, const DefinitionEntry &e, QPoint place)
{
    const int x = place.x() + e.x;
    const int y = place.y() + e.y;
    return x >= 0 && y >= 0 && x < plane.width() && y < plane.height() && plane.row(y)[x] == e.peak;
}

int holdingAt(const PeakPlane &plane, const std::vector<DefinitionEntry> &entries, QPoint place)
{
    int held = 0;
    for (const DefinitionEntry &e : entries)
        held += holds(plane, e, place);
    return held;
}

bool atLeastHalf(int held, size_t of)
{
    return size_t(held) * 2 >= of;
}

} // namespace

std::optional<QPoint> placeInOther(const PeakPlane &other,
                                   const std::vector<DefinitionEntry> &entries, QPoint corner,
                                   const std::atomic<bool> &cancelled)
{
    if (entries.empty())
        return std::nullopt;
    if (atLeastHalf(holdingAt(other, entries, corner), entries.size()))
        return corner;
    const MatchSet matches = findDefinition(other, entries, cancelled);
    if (cancelled)
        return std::nullopt;
    if (!matches.empty())
        return matches.at(0);
    const std::optional<NearMiss> nearest = nearestPlace(other, entries, cancelled);
    if (cancelled || !nearest || !atLeastHalf(nearest->matched, entries.size()))
        return std::nullopt;
    return nearest->place;
}

Combination::Combination(KeptPixels kept, QPoint corner)
    : m_kept(std::move(kept)), m_corner(corner), m_agrees(m_kept.entries.size(), true)
{}

bool Combination::add(int number, const PeakPlane &other, const std::atomic<bool> &cancelled)
{
    const std::optional<QPoint> place = placeInOther(other, m_kept.entries, m_corner, cancelled);
    if (cancelled)
        return false;
    if (!place) {
        m_notFound.push_back(number);
        return true;
    }
    ++m_found;
    for (size_t i = 0; i < m_kept.entries.size(); ++i) {
        m_agrees[i] = m_agrees[i] && holds(other, m_kept.entries[i], *place);
    }
    return true;
}

Combination::Result Combination::result(const GeneratorInputs &inputs) const
{
    Result result;
    std::vector<DefinitionEntry> agreeing;
    for (size_t i = 0; i < m_kept.entries.size(); ++i) {
        const DefinitionEntry &e = m_kept.entries[i];
        if (m_agrees[i])
            agreeing.push_back(e);
        else
            result.differs.push_back(QPoint(e.x, e.y));
    }
    result.text = definitionOfEntries(agreeing, inputs);
    result.agreed = int(agreeing.size());
    result.of = m_kept.kept();
    result.screenshots = 1 + m_found;
    result.notFound = m_notFound;
    return result;
}

QString definitionOfEntries(const std::vector<DefinitionEntry> &entries,
                            const GeneratorInputs &inputs)
{
    QString text = definitionHead(inputs);
    for (size_t i = 0; i < entries.size(); ++i) {
        const DefinitionEntry &e = entries[i];
        if (i > 0)
            text += entries[i - 1].y == e.y ? QStringLiteral("|") : QStringLiteral("\r\n");
        text += QStringLiteral("%1=%2,%3").arg(e.peak).arg(e.x).arg(e.y);
    }
    if (!entries.empty())
        text += QStringLiteral("\r\n");
    return text + QStringLiteral(":End Object ");
}

QString combinedText(const Combination::Result &result)
{
    const QLocale locale;
    QString text = QStringLiteral("Created from %1 screenshot%2: %3 of %4 pixels agree")
                       .arg(result.screenshots)
                       .arg(result.screenshots == 1 ? "" : "s")
                       .arg(locale.toString(result.agreed), locale.toString(result.of));
    if (result.notFound.empty())
        return text;
    QStringList numbers;
    for (int number : result.notFound)
        numbers << QString::number(number);
    return text + QStringLiteral("; not found in buffer%1 %2")
                      .arg(numbers.size() == 1 ? "" : "s", numbers.join(QStringLiteral(", ")));
}

CombinedCreation::CombinedCreation()
{
    connect(&m_job, &BackgroundJob::finished, this, &CombinedCreation::finished);
}

bool CombinedCreation::start(Combination combination, std::vector<Screenshot> others,
                             GeneratorInputs inputs)
{
    if (!m_job.begin())
        return false;
    m_result.reset();
    m_job.run([this, combination = std::move(combination), others = std::move(others),
               inputs = std::move(inputs)](const BackgroundJob::Post &post,
                                           JobProgress &progress) mutable {
        for (size_t i = 0; i < others.size(); ++i) {
            progress.done = qint64(100 * i / others.size());
            // Each picture's peaks are worked out band by band as it is unpacked, once.
            const Screenshot &other = others[i];
            PeakPlane peaks(other.picture.size());
            const bool whole = other.picture.forEachBand([&](const QImage &band, int top) {
                return peaks.addRows(band, top, &progress.cancelled);
            });
            if (progress.cancelled)
                return;
            if (!whole)
                combination.notFoundIn(other.number);
            else if (!combination.add(other.number, peaks, progress.cancelled))
                return;
        }
        post([this, result = combination.result(inputs)] { m_result = result; });
    });
    return true;
}

} // namespace corvantile
