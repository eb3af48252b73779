#pragma once

#include "common/background_job.h"
#include "common/stored_picture.h"
#include "object_definition/definition_check.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace corvantile {

// Looks for a definition in a screenshot, or in every stored picture, as a job of its own off
// the window's thread, and keeps the places it found for going from one to the next. The peaks
// of a screenshot are worked out by the first search on it and kept for the next search of
// the same picture; a search of another picture, or forgetPicture(), lets them go.
class DefinitionSearch : public QObject
{
    Q_OBJECT

public:
    // One place gone to: its number among the places (from 0), of how many; or the place
    // where a definition found nowhere comes nearest.
    struct Match
    {
        qint64 index = 0;
        qint64 count = 0;
        QPoint place;
        std::optional<NearMiss> nearest;
    };

    // A stored picture to look in, by its buffer's number (from 1).
    struct Buffer
    {
        int number = 0;
        StoredPicture picture;
    };
    // One of several definitions looked for at once, by its name.
    struct Named
    {
        QString name;
        std::vector<DefinitionEntry> entries;
    };
    // What one of several definitions found: how many places, the first of them in reading
    // order, or, found nowhere, the place where it comes nearest.
    struct Found
    {
        QString name;
        qint64 count = 0;
        QPoint first;
        std::optional<NearMiss> nearest;
    };
    // How many places a buffer's picture matched at.
    struct BufferCount
    {
        int number = 0;
        qint64 found = 0;
    };

    DefinitionSearch();

    bool busy() const { return m_job.busy(); }
    // Whether the running (or last) search is one of the buffers.
    bool inBuffers() const { return m_inBuffers; }
    // Why the search that ended last found nothing to show: it could not run (no thread, no
    // memory); empty when it ran to its end or was stopped.
    const QString &failure() const { return m_job.failure(); }
    // Starts a search of `entries` in `picture`, for a definition of a region of `area`; false,
    // starting nothing, while one runs. When the definition matches nowhere, the place where
    // it comes nearest is looked for too.
    bool start(const QImage &picture, std::vector<DefinitionEntry> entries, QSize area);
    // Starts a search of each of several definitions in `picture`, one after the other on the
    // same peaks; false, starting nothing, while one runs. It ends with `finished`, and leaves
    // no places to go to: found() says what each definition found.
    bool startSeveral(const QImage &picture, std::vector<Named> definitions);
    // Whether the running (or last) search, in the screenshot or in the buffers, is one of
    // several definitions.
    bool several() const { return m_several; }
    const std::vector<Found> &found() const { return m_found; }
    // Starts counting the places `entries` match at in each of the buffers' pictures, one after
    // the other; false, starting nothing, while a search runs.
    bool startInBuffers(std::vector<Buffer> buffers, std::vector<DefinitionEntry> entries);
    // The same for several definitions: each buffer is unpacked once, and each definition looked
    // for in it; one found nowhere there names the place where it comes nearest.
    // foundInBuffers() then says what each found in each buffer.
    bool startInBuffers(std::vector<Buffer> buffers, std::vector<Named> definitions);
    void cancel() { m_job.cancel(); }
    // How far the running search got, in percent.
    qint64 percent() const { return m_job.progress(); }

    // Where the last search in a screenshot found the definition, or came nearest.
    const MatchSet &matches() const { return m_matches; }
    const std::optional<NearMiss> &nearest() const { return m_nearest; }
    bool holdsResult() const { return !m_matches.empty() || m_nearest; }
    // The size of the region whose definition was looked for: what each place found covers.
    QSize area() const { return m_area; }
    // What the last search in the buffers counted, buffer by buffer.
    const std::vector<BufferCount> &bufferCounts() const { return m_bufferCounts; }
    // What each definition found in each buffer: a row a buffer, in bufferCounts()' order, and
    // in it a Found a definition, in the order they were given.
    const std::vector<std::vector<Found>> &foundInBuffers() const { return m_inBuffersFound; }
    void clear();
    // The place `step` places on from the last one gone to (back when negative), round the
    // ends: the first step forward goes to the first place, the first step back to the last.
    // With no match, the nearest place; nothing when there is neither.
    std::optional<Match> go(qint64 step);
    // The picture searched last has left the view: its peaks and its matches are freed.
    void forgetPicture();

signals:
    // A search in a screenshot ended; when it was not cancelled, matches() holds what it found.
    void finished(bool cancelled);
    // A search in the buffers ended; when it was not cancelled, bufferCounts() holds its counts.
    void buffersSearched(bool cancelled);

private:
    BackgroundJob m_job;
    // The peaks kept of `picture`, when they are of it; the screenshot is forgotten either way,
    // as a search of it begins.
    std::shared_ptr<const PeakPlane> peaksKeptFor(const QImage &picture);

    bool m_inBuffers = false; // what the running job searches
    bool m_several = false;
    std::vector<Found> m_found;
    MatchSet m_matches;
    std::optional<NearMiss> m_nearest;
    QSize m_area;
    qint64 m_index = -1;                      // the match gone to last
    std::shared_ptr<const PeakPlane> m_peaks; // of the picture searched last
    qint64 m_peaksOf = 0;                     // that picture's cache key
    std::vector<BufferCount> m_bufferCounts;
    std::vector<std::vector<Found>> m_inBuffersFound;
};

// The status line's words for what a search found: "Found at 3 places: 130, 90 · ...", or
// "Not found in this screenshot", with the place where it comes nearest when there is one.
QString foundText(const MatchSet &matches, const std::optional<NearMiss> &nearest);

// The status line's words for a place gone to: "Match 2 of 3: 410, 90", the numbers of the
// matches with the separators of the user's language, as in what was found.
QString matchText(const DefinitionSearch::Match &match);

// One line for several definitions searched at once: "4 of 5 definitions found: CloseButton
// (1 place), OkButton (1); not found: Menu (best 140 of 144 at 12, 5)", then why those in
// `unread` could not be read.
QString severalText(const std::vector<DefinitionSearch::Found> &found, const QStringList &unread);

// One line for a search in the buffers: "Found in buffer 1 (1 place), buffer 3 (12 places);
// not in buffers 2, 4".
QString buffersText(const std::vector<DefinitionSearch::BufferCount> &counts);

} // namespace corvantile
