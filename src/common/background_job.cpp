#include "background_job.h"

#include <QMutex>
#include <atomic>
#include <thread>

namespace corvantile {
namespace {

std::atomic<int> threadsAtWork{0};

} // namespace

// What a job shares with its thread. Once the owner is done with the job (it finished, was
// cancelled, or the job object is gone) `owner` is null, and the thread's results go nowhere.
struct BackgroundJob::State
{
    JobProgress progress;
    QMutex mutex;
    BackgroundJob *owner = nullptr;
};

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
    return threadsAtWork > 0;
}

bool BackgroundJob::begin()
{
    if (busy())
        return false;
    m_state = std::make_shared<State>();
    m_state->owner = this;
    return true;
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
    ++threadsAtWork;
    std::thread([state, post, deliver, work = std::move(work)] {
        try {
            work(post, state->progress);
        } catch (const std::exception &) {
            // No memory on the way: the job ends with what it has posted.
        }
        deliver([](BackgroundJob *owner) { owner->finish(false); });
        --threadsAtWork;
    }).detach();
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
