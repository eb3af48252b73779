#pragma once

#include "common/background_job.h"
#include "common/stored_picture.h"
#include "object_definition/definition_check.h"

#include <QObject>
#include <QPoint>
#include <QString>
#include <atomic>
#include <optional>
#include <vector>

namespace corvantile {

// One definition made from several screenshots of the same thing: the region of the shown
// screenshot, and the thing wherever it is in each of the others. A pixel is kept where the shown
// screenshot keeps it, as Create Object would, and every other screenshot the thing was found in
// has the same peak there; what differs (a background, a caret, a counter) is dropped.
class Combination
{
public:
    // `kept`: what Create Object keeps of the region cut at `corner` of the shown screenshot.
    Combination(KeptPixels kept, QPoint corner);

    // Looks for the thing in another screenshot, by its buffer's number and its peaks, and
    // drops the pixels that differ there. False once cancelled, with nothing changed.
    bool add(int number, const PeakPlane &other, const std::atomic<bool> &cancelled);
    // A screenshot that could not be read whole holds the thing nowhere.
    void notFoundIn(int number) { m_notFound.push_back(number); }

    struct Result
    {
        QString text;                // in Create Object's form, of the pixels that agree
        int agreed = 0;              // entries kept
        int of = 0;                  // entries the shown screenshot keeps
        int screenshots = 1;         // the shown one and those the thing was found in
        std::vector<int> notFound;   // buffers the thing was not found in
        std::vector<QPoint> differs; // the region's points dropped for differing
    };
    Result result(const GeneratorInputs &inputs) const;

private:
    KeptPixels m_kept;
    QPoint m_corner;
    std::vector<bool> m_agrees; // an entry of m_kept each
    int m_found = 0;
    std::vector<int> m_notFound;
};

// Where the thing whose kept pixels are `entries`, cut at `corner` of the shown screenshot, is
// in another picture: at the same corner when at least half its pixels hold their peak there;
// else the first place the whole definition matches, or the place it comes nearest, when at
// least half hold there; else nowhere (and nowhere once cancelled).
std::optional<QPoint> placeInOther(const PeakPlane &other,
                                   const std::vector<DefinitionEntry> &entries, QPoint corner,
                                   const std::atomic<bool> &cancelled);

// The definition of `entries` (in the walk's order) as Create Object writes it: a line of
// entries joined by "|" for each row that has one, between the head line and the end marker.
QString definitionOfEntries(const std::vector<DefinitionEntry> &entries,
                            const GeneratorInputs &inputs);

// The status line's words for it: "Created from 3 screenshots: 212 of 340 pixels agree; not
// found in buffer 4".
QString combinedText(const Combination::Result &result);

// Makes one definition from several screenshots as a job off the window's thread: each other
// screenshot is unpacked once, band by band, and looked in.
class CombinedCreation : public QObject
{
    Q_OBJECT

public:
    struct Screenshot
    {
        int number = 0; // its buffer's, from 1
        StoredPicture picture;
    };

    CombinedCreation();

    bool busy() const { return m_job.busy(); }
    // False, starting nothing, while one runs.
    bool start(Combination combination, std::vector<Screenshot> others, GeneratorInputs inputs);
    void cancel() { m_job.cancel(); }
    qint64 percent() const { return m_job.progress(); }
    const QString &failure() const { return m_job.failure(); }
    // What the last creation that ran to its end made.
    const std::optional<Combination::Result> &result() const { return m_result; }

signals:
    void finished(bool cancelled);

private:
    BackgroundJob m_job;
    std::optional<Combination::Result> m_result;
};

} // namespace corvantile
