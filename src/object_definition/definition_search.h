#pragma once

#include "common/background_job.h"
#include "object_definition/definition_check.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <memory>
#include <optional>
#include <vector>

namespace corvantile {

// Looks for a definition in a screenshot as a job of its own, off the window's thread, and
// keeps the places it found for going from one to the next. The peaks of a picture are worked
// out once, by the first search on it, and kept for the next search on the same picture.
class DefinitionSearch : public QObject
{
    Q_OBJECT

public:
    // One place gone to: its number among the places (from 0), of how many.
    struct Match
    {
        int index = 0;
        int count = 0;
        QPoint place;
    };

    DefinitionSearch();

    bool busy() const { return m_job.busy(); }
    // Starts a search of `entries` in `picture`, for a definition of a region of `area`; false,
    // starting nothing, while one runs.
    bool start(const QImage &picture, std::vector<DefinitionEntry> entries, QSize area);
    void cancel() { m_job.cancel(); }
    // How far the running search got, in percent.
    qint64 percent() const { return m_job.progress(); }

    // The places found by the last search, in reading order, and how many there were in all
    // (the places kept may be fewer).
    const std::vector<QPoint> &matches() const { return m_matches; }
    qint64 found() const { return m_found; }
    // The size of the region whose definition was looked for: what each place found covers.
    QSize area() const { return m_area; }
    void clear();
    // The place `step` places on from the last one gone to (back when negative), round the
    // ends: the first step forward goes to the first place, the first step back to the last.
    // Nothing when there are none.
    std::optional<Match> go(int step);
    // The picture whose peaks are kept for the next search has left the view: they are freed.
    void forgetPicture();

signals:
    // The search ended; when it was not cancelled, matches() holds what it found.
    void finished(bool cancelled);

private:
    BackgroundJob m_job;
    std::vector<QPoint> m_matches;
    qint64 m_found = 0;
    QSize m_area;
    int m_index = -1;                         // the match gone to last
    std::shared_ptr<const PeakPlane> m_peaks; // of the picture searched last
    qint64 m_peaksOf = 0;                     // that picture's cache key
};

// The status line's words for what a search found: "Found at 3 places: 130, 90 · ...", or
// "Not found in this screenshot".
QString foundText(const std::vector<QPoint> &places, qint64 found);

// The status line's words for a place gone to: "Match 2 of 3: 410, 90", the numbers of the
// matches with the separators of the user's language, as in what was found.
QString matchText(const DefinitionSearch::Match &match);

} // namespace corvantile
