#include "background_job.h"

#include <QMutex>
#include <condition_variable>
#include <list>
#include <mutex>
#include <system_error>
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
    // Until the work has ended, or `stop` is set (looked at every 50 ms), or `limit` has
    // passed; true when it has ended.
    bool waitUntilEnded(
        const std::atomic<bool> &stop,
        std::chrono::steady_clock::time_point limit = std::chrono::steady_clock::time_point::max())
    {
        std::unique_lock lock(endMutex);
        while (!ended && !stop && std::chrono::steady_clock::now() < limit)
            endChanged.wait_for(lock, std::chrono::milliseconds(50));
        return ended;
    }
    bool hasEnded()
    {
        std::lock_guard lock(endMutex);
        return ended;
    }

    // Earlier work this work stopped waiting for when it was cancelled, and which may still
    // run: later work waits for it in its stead.
    std::shared_ptr<State> gaveUpOn;
    std::shared_ptr<State> stillRunningBefore()
    {
        std::lock_guard lock(endMutex);
        return gaveUpOn;
    }
};

namespace {

// The first work of a chain (`last`, and what each gave up waiting for) that has not ended.
std::shared_ptr<BackgroundJob::State> unfinished(std::shared_ptr<BackgroundJob::State> last)
{
    while (last && last->hasEnded())
        last = last->stillRunningBefore();
    return last;
}

// Every thread a job started, with its state, until it is joined: the threads of work that
// ended are joined as the next one starts, and whatever is left at the end by joinAll().
struct Worker
{
    std::thread thread;
    std::shared_ptr<BackgroundJob::State> state;
};

std::mutex workersMutex;
std::atomic<int> threadStartsToFail{0};

// A new thread, or the system's refusal to make one.
std::thread startThread(std::function<void()> body)
{
    if (threadStartsToFail > 0) {
        --threadStartsToFail;
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "no thread left");
    }
    return std::thread(std::move(body));
}

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

void BackgroundJob::failThreadStarts(int count)
{
    threadStartsToFail = count;
}

void BackgroundJob::joinAll(int limitMs)
{
    std::list<Worker> left;
    {
        std::lock_guard lock(workersMutex);
        left.swap(workers());
    }
    for (Worker &worker : left)
        worker.state->progress.cancelled = true;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    const std::atomic<bool> never{false};
    for (Worker &worker : left) {
        if (!worker.thread.joinable())
            continue;
        // Work stuck in a call that never looks at its cancel (a system call that does not
        // return, say) does not keep the program from ending.
        if (worker.state->waitUntilEnded(never, limit))
            worker.thread.join();
        else
            worker.thread.detach();
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

namespace {

using Deliver = std::function<void(std::function<void(BackgroundJob *)>)>;

// Joins the threads whose work has ended; the caller holds workersMutex.
void joinEnded()
{
    std::erase_if(workers(), [](Worker &worker) {
        if (!worker.state->hasEnded())
            return false;
        worker.thread.join();
        return true;
    });
}

// What a job's thread does before its end is told: it waits for the earlier work (unless it is
// cancelled first, and then leaves that work to whoever comes next) and runs its own. What the
// work holds goes with it, as this returns; the answer is why it failed, or nothing.
QString workOnThread(const std::shared_ptr<BackgroundJob::State> &state,
                     std::shared_ptr<BackgroundJob::State> earlier, const BackgroundJob::Post &post,
                     BackgroundJob::Work work)
{
    for (; earlier; earlier = unfinished(earlier)) {
        if (!earlier->waitUntilEnded(state->progress.cancelled)) {
            std::lock_guard lock(state->endMutex);
            state->gaveUpOn = std::move(earlier);
            break;
        }
    }
    state->progress.waitingForEarlier = false;
    QString failure;
    if (!state->progress.cancelled) {
        try {
            work(post, state->progress);
        } catch (const std::exception &e) {
            failure =
                QStringLiteral("Could not finish the work: ") + QString::fromLocal8Bit(e.what());
        } catch (...) {
            failure = QStringLiteral("Could not finish the work");
        }
    }
    return failure;
}

} // namespace

void BackgroundJob::run(Work work)
{
    const std::shared_ptr<State> state = m_state;
    if (!state)
        return;
    const Deliver deliver = [state](std::function<void(BackgroundJob *)> step) {
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
    // The wait itself stops when this work is cancelled too.
    std::shared_ptr<State> earlier = unfinished(m_lastRun);
    state->progress.waitingForEarlier = earlier != nullptr;
    std::lock_guard lock(workersMutex);
    joinEnded();
    // The thread is made before anything depends on it: a job whose thread cannot be made
    // ends as soon as the caller is back in the event loop, and no later work waits for it.
    std::thread thread;
    try {
        thread = startThread([state, earlier, post, deliver, work = std::move(work)]() mutable {
            const QString failure = workOnThread(state, std::move(earlier), post, std::move(work));
            deliver([failure](BackgroundJob *owner) { owner->finish(false, failure); });
            state->markEnded();
        });
    } catch (const std::system_error &e) {
        state->progress.waitingForEarlier = false;
        state->markEnded();
        deliver([why = QString::fromLocal8Bit(e.what())](BackgroundJob *owner) {
            owner->finish(false, QStringLiteral("Could not start the work: ") + why);
        });
        return;
    }
    m_lastRun = state;
    workers().push_back({std::move(thread), state});
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

void BackgroundJob::finish(bool cancelled, const QString &failure)
{
    m_state.reset();
    m_failure = failure;
    emit finished(cancelled);
}

} // namespace corvantile
