#include "background_job.h"

#include <QMutex>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>

namespace corvantile {

// What a job shares with its thread. Once the owner is done with the job (it finished, was
// cancelled, or the job object is gone) `owner` is null, and the thread's results go nowhere.
// `ended` is set as the work returns, so that later work of the same job can wait for it.
struct BackgroundJob::State
{
    JobProgress progress;
    QMutex mutex;
    BackgroundJob *owner = nullptr;

    std::mutex endMutex;
    std::condition_variable endChanged;
    bool ended = false;

    void markEnded()
    {
        std::lock_guard lock(endMutex);
        ended = true;
        endChanged.notify_all();
    }
    void waitUntilEnded()
    {
        std::unique_lock lock(endMutex);
        endChanged.wait(lock, [this] { return ended; });
    }
    bool hasEnded()
    {
        std::lock_guard lock(endMutex);
        return ended;
    }
};

namespace {

// Every thread a job started, with its state, until it is joined: the threads of work that
// ended are joined as the next one starts, and whatever is left at the end by joinAll().
struct Worker
{
    std::thread thread;
    std::shared_ptr<BackgroundJob::State> state;
};

std::mutex workersMutex;

// The threads still held. A program that never called joinAll() joins them as it ends.
std::list<Worker> &workers()
{
    static struct Workers
    {
        std::list<Worker> list;
        ~Workers() { BackgroundJob::joinAll(); }
    } held;
    return held.list;
}

} // namespace

BackgroundJob::~BackgroundJob()
{
    if (m_state) {
        m_state->progress.cancelled = true;
        QMutexLocker lock(&m_state->mutex);
        m_state->owner = nullptr;
    }
}

qint64 BackgroundJob::progress() const
{
    return m_state ? m_state->progress.done.load() : 0;
}

bool BackgroundJob::workStillRunning()
{
    std::lock_guard lock(workersMutex);
    for (Worker &worker : workers())
        if (!worker.state->hasEnded())
            return true;
    return false;
}

void BackgroundJob::joinAll()
{
    std::list<Worker> left;
    {
        std::lock_guard lock(workersMutex);
        left.swap(workers());
    }
    for (Worker &worker : left) {
        worker.state->progress.cancelled = true;
        if (worker.thread.joinable())
            worker.thread.join();
    }
}

bool BackgroundJob::begin()
{
    if (busy())
        return false;
    m_state = std::make_shared<State>();
    m_state->owner = this;
    return true;
}

bool BackgroundJob::waitsForEarlier() const
{
    return m_state && m_state->progress.waitingForEarlier;
}

void BackgroundJob::run(Work work)
{
    const std::shared_ptr<State> state = m_state;
    if (!state)
        return;
    const auto deliver = [state](std::function<void(BackgroundJob *)> step) {
        QMutexLocker lock(&state->mutex);
        if (BackgroundJob *owner = state->owner)
            QMetaObject::invokeMethod(
                owner,
                [owner, state, step] {
                    if (owner->m_state == state)
                        step(owner);
                },
                Qt::QueuedConnection);
    };
    const Post post = [deliver](Step step) { deliver([step](BackgroundJob *) { step(); }); };
    // Work of this job that was cancelled but has not yet stopped (a reader that finishes its
    // picture before it looks at the cancel, say) is waited for: the two never run side by side.
    std::shared_ptr<State> earlier = std::exchange(m_lastRun, state);
    if (earlier && !earlier->hasEnded())
        state->progress.waitingForEarlier = true;
    else
        earlier.reset();
    std::lock_guard lock(workersMutex);
    std::erase_if(workers(), [](Worker &worker) {
        if (!worker.state->hasEnded())
            return false;
        worker.thread.join();
        return true;
    });
    workers().push_back(
        {std::thread([state, earlier, post, deliver, work = std::move(work)]() mutable {
             if (earlier) {
                 earlier->waitUntilEnded();
                 earlier.reset();
                 state->progress.waitingForEarlier = false;
             }
             if (!state->progress.cancelled) {
                 try {
                     work(post, state->progress);
                 } catch (const std::exception &) {
                     // No memory on the way: the job ends with what it has posted.
                 }
             }
             work = nullptr; // what the work holds goes before its end is told
             deliver([](BackgroundJob *owner) { owner->finish(false); });
             state->markEnded();
         }),
         state});
}

void BackgroundJob::cancel()
{
    if (!m_state)
        return;
    m_state->progress.cancelled = true;
    {
        QMutexLocker lock(&m_state->mutex);
        m_state->owner = nullptr;
    }
    finish(true);
}

void BackgroundJob::finish(bool cancelled)
{
    m_state.reset();
    emit finished(cancelled);
}

} // namespace corvantile
