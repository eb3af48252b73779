#pragma once

#include "common/job_progress.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace corvantile {

// One piece of work on a thread of its own, whose results come back to the thread that owns
// the job. While it runs, busy() is true; begin() refuses a second one. The work hands each
// result to `post`, which runs it on the owner's thread, in order, as long as the job is still
// its owner's; `finished` ends the job. cancel() ends it at once: the owner hears `finished`
// straight away, the work is told to stop (JobProgress::cancelled) and whatever its thread still
// posts is thrown away. The next work of the same job waits on its thread until the cancelled
// one has stopped, so that one job's work never runs twice side by side. A step that was posted
// never runs after the job object is gone, and every thread is joined by joinAll().
//
// A job always ends, once: a thread that cannot be made, or work that throws, ends it with
// failure() saying why, and nothing later waits for it.
class BackgroundJob : public QObject
{
    Q_OBJECT

public:
    using Step = std::function<void()>;
    using Post = std::function<void(Step)>;
    using Work = std::function<void(const Post &post, JobProgress &progress)>;

    explicit BackgroundJob(QObject *parent = nullptr) : QObject(parent) {}
    ~BackgroundJob() override;

    bool busy() const { return m_state != nullptr; }
    // How far the running work got, as it says (0 when none runs).
    qint64 progress() const;

    // Marks the job as begun before its work is known (the work may wait for something on the
    // owner's thread first); false, starting nothing, while another runs.
    bool begin();
    // Hands the begun job its work, which starts on a thread of its own.
    void run(Work work);
    void cancel();

    // Whether the running work waits for cancelled work of this job to stop first.
    bool waitsForEarlier() const;
    // Why the job that ended last could not do its work ("Could not start the work: ..."), or
    // nothing when it ran to its end or was cancelled.
    const QString &failure() const { return m_failure; }

    // For tests: the next `count` threads a job would start fail to start, as on a system that
    // has no thread left.
    static void failThreadStarts(int count);

    // Whether a thread of a job (cancelled ones included) is still at work.
    static bool workStillRunning();
    // Tells all work to stop and joins every thread a job started: at the end of the program,
    // once the jobs' owners are gone. Work that has not stopped within `limitMs` of the call is
    // left to end with the program, which does not wait for it.
    static void joinAll(int limitMs = 1000);

    // What a job shares with its thread.
    struct State;

signals:
    void finished(bool cancelled);

private:
    void finish(bool cancelled, const QString &failure = {});
    std::shared_ptr<State> m_state;
    QString m_failure;
    std::shared_ptr<State> m_lastRun; // the last work that was run, which may not have stopped
};

} // namespace corvantile
