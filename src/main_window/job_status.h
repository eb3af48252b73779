#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

namespace corvantile {

class StatusLine;

// The one job at a time of the window (a picture read, or a search), as the window shows it:
// a busy pointer, after a while how far the job got, and the refusal of whatever would start
// another meanwhile. The flow that starts a job tells how to describe its progress and how to
// stop it; Escape stops it through here.
class JobStatus : public QObject
{
    Q_OBJECT

public:
    struct Job
    {
        QString what;        // "searching the screenshot", for its refusals and progress
        int progressAfterMs; // when its progress first shows
        // The progress line, given what the job does (capitalised) and its time so far.
        std::function<QString(const QString &what, qint64 elapsedMs)> progress;
        std::function<void()> cancel;
    };

    explicit JobStatus(StatusLine &status);
    ~JobStatus() override;

    bool running() const { return m_running; }
    // True, with the user told why, when a job runs: nothing that changes the picture, the
    // buffers or the region starts meanwhile.
    bool refusedWhileBusy();
    void started(Job job);
    void ended();
    // Stops the running job (Escape); false when none runs.
    bool cancel();

private:
    void showProgress();

    StatusLine &m_status;
    QTimer m_timer;
    QElapsedTimer m_time; // since the running job started
    Job m_job;
    bool m_running = false;
};

} // namespace corvantile
