// The window while a picture is read or the screenshot searched: a busy pointer, after a while
// how far the job got, and the refusal of whatever would change the picture, the buffers or
// the region meanwhile.

#include "job_status.h"

#include "controls/status_line.h"

#include <QCursor>
#include <QGuiApplication>

namespace corvantile {
namespace {

constexpr int progressInterval = 100; // ms between two looks at a running job's progress

} // namespace

JobStatus::JobStatus(StatusLine &status) : m_status(status)
{
    connect(&m_timer, &QTimer::timeout, this, &JobStatus::showProgress);
}

JobStatus::~JobStatus()
{
    if (m_running)
        QGuiApplication::restoreOverrideCursor();
}

bool JobStatus::refusedWhileBusy()
{
    if (!m_running)
        return false;
    m_status.refuse(QStringLiteral("Still %1: wait, or press Escape to stop").arg(m_job.what));
    return true;
}

// Once the job takes a while the status line shows how far it got; it gets its text back when
// the job ends.
void JobStatus::started(Job job)
{
    m_job = std::move(job);
    m_running = true;
    m_status.jobStarted();
    m_time.start();
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_timer.start(m_job.progressAfterMs);
}

void JobStatus::showProgress()
{
    const QString what = capitalised(m_job.what);
    // A screen reader hears once that a job takes a while, and what it does.
    if (m_timer.interval() != progressInterval)
        m_status.announce(what);
    m_timer.setInterval(progressInterval);
    m_status.progress(m_job.progress(what, m_time.elapsed()));
}

void JobStatus::ended()
{
    if (!m_running)
        return;
    m_running = false;
    m_timer.stop();
    m_status.jobEnded();
    QGuiApplication::restoreOverrideCursor();
}

bool JobStatus::cancel()
{
    if (!m_running)
        return false;
    // The job's own end (ended(), from its flow) comes before this returns.
    const std::function<void()> stop = m_job.cancel;
    stop();
    return true;
}

} // namespace corvantile
