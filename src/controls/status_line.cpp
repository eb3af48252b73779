#include "status_line.h"

#include "controls/announcer.h"

#include <QLabel>

namespace corvantile {

StatusLine::StatusLine(QLabel *label) : m_label(label), m_announcer(new Announcer(label->window()))
{}

QString StatusLine::text() const
{
    return m_label->text();
}

void StatusLine::put(const QString &text, Kind kind)
{
    m_label->setText(text);
    m_shown = kind;
}

void StatusLine::hover(const QString &text)
{
    put(text, Kind::Other);
}

void StatusLine::say(const QString &text)
{
    put(text, Kind::Other);
    announce(text);
}

void StatusLine::refuse(const QString &text)
{
    say(text);
    m_refused.start();
}

void StatusLine::show(const QString &text)
{
    put(text, Kind::Other);
}

void StatusLine::announce(const QString &text)
{
    m_announcer->announce(text);
}

// An outcome stays in the line, where a screen reader's status-bar command finds the latest
// one, also once a job's progress gives the line back. The outcomes of one job (the files of
// one drop, say) stand side by side, so that a refusal is not wiped by the next file's success.
void StatusLine::report(const QString &text)
{
    const bool joined = m_inJob && m_jobReported;
    m_afterJob = joined ? m_afterJob + QStringLiteral("; ") + text : text;
    m_afterJobKind = Kind::Other;
    m_jobReported = m_inJob;
    put(m_afterJob, Kind::Other);
    announce(text);
}

void StatusLine::found(const QString &text)
{
    report(text);
    m_shown = m_afterJobKind = Kind::Found;
}

// Nothing on the screen describes a search of another picture or of another definition.
void StatusLine::dropFound()
{
    if (m_shown == Kind::Found)
        put(QString(), Kind::Other);
    if (m_afterJobKind == Kind::Found) {
        m_afterJob.clear();
        m_afterJobKind = Kind::Other;
    }
}

void StatusLine::jobStarted()
{
    m_afterJob = m_label->text();
    m_afterJobKind = m_shown;
    m_inJob = true;
    m_jobReported = false;
    m_refused.invalidate();
}

void StatusLine::progress(const QString &text)
{
    if (m_refused.isValid() && m_refused.elapsed() < 1500)
        return; // the refusal stays readable for a moment
    put(text, Kind::Other);
}

void StatusLine::jobEnded()
{
    m_inJob = false;
    put(m_afterJob, m_afterJobKind);
}

} // namespace corvantile
