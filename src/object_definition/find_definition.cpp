// Looking for the definition in the screenshot: the places where it matches, outlined in the
// view, and the kept pixels in the Zoom.

#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "object_definition/clip_pixels.h"
#include "object_definition/definition_check.h"

#include <QLabel>
#include <QLocale>
#include <QScrollBar>

namespace corvantile {

void Form1::say(const QString &text)
{
    lblCoords->setText(text);
    announce(text);
}

void Form1::findInScreenshot()
{
    if (refusedWhileBusy())
        return;
    const QImage picture = PicInner->picture();
    if (picture.isNull()) {
        say(QStringLiteral("Nothing to search: no screenshot in the view"));
        return;
    }
    const auto kept = keptPixels(ClipPixels(*picClip), currentInputs(), picClip->drawingSize());
    if (!kept) {
        say(QStringLiteral("Nothing to find: the width or height is not a number"));
        return;
    }
    if (kept->entries.empty()) {
        say(QStringLiteral("Nothing to find: the definition keeps no pixel"));
        return;
    }
    clearMatches();
    if (!m_job->begin())
        return;
    m_finding = true;
    pictureJobStarted(false, QStringLiteral("searching the screenshot"), 200);
    // The peaks of the picture are worked out once, by the first search on it.
    std::shared_ptr<const PeakPlane> plane = m_peaksOf == picture.cacheKey() ? m_peaks : nullptr;
    const QSize size = picClip->drawingSize();
    m_job->run([this, picture, plane, entries = kept->entries,
                size](const BackgroundJob::Post &post, ReadProgress &progress) {
        const auto peaks = plane ? plane : std::make_shared<const PeakPlane>(picture);
        qint64 found = 0;
        std::vector<QPoint> places = findDefinition(*peaks, entries, progress.cancelled, found);
        if (progress.cancelled)
            return;
        post([this, peaks, key = picture.cacheKey(), places = std::move(places), found, size] {
            m_peaks = peaks;
            m_peaksOf = key;
            showMatches(places, found, size);
        });
    });
}

void Form1::showMatches(const std::vector<QPoint> &places, qint64 found, QSize size)
{
    m_matches = places;
    m_matchIndex = -1;
    QList<QRect> outlines;
    outlines.reserve(qsizetype(places.size()));
    for (const QPoint &place : places)
        outlines << QRect(place, size);
    PicInner->setOutlines(outlines);
    QString text;
    if (found == 0) {
        text = QStringLiteral("Not found in this screenshot");
    } else {
        QStringList shown;
        for (size_t i = 0; i < std::min<size_t>(5, places.size()); ++i)
            shown << QStringLiteral("%1, %2").arg(places[i].x()).arg(places[i].y());
        text = found == 1 ? QStringLiteral("Found at 1 place: ")
                          : QStringLiteral("Found at %1 places: ").arg(QLocale().toString(found));
        text += shown.join(QStringLiteral(" \u00b7 "));
        if (found > 5)
            text += QStringLiteral(" \u2026");
    }
    m_statusAfterJob = text;
    say(text);
}

void Form1::clearMatches()
{
    m_matches.clear();
    m_matchIndex = -1;
    PicInner->setOutlines({});
}

// Scrolls the view so that the match stands near its top-left corner, as far as the bars go.
void Form1::goToMatch(int step)
{
    if (m_matches.empty() || m_job->busy())
        return;
    const int count = int(m_matches.size());
    m_matchIndex =
        ((m_matchIndex < 0 && step < 0 ? 0 : m_matchIndex + step) % count + count) % count;
    const QPoint at = m_matches[size_t(m_matchIndex)];
    HScroll1->setValue(std::max(0, at.x() - 20));
    VScroll1->setValue(std::max(0, at.y() - 20));
    say(QStringLiteral("Match %1 of %2: %3, %4")
            .arg(m_matchIndex + 1)
            .arg(count)
            .arg(at.x())
            .arg(at.y()));
}

} // namespace corvantile
