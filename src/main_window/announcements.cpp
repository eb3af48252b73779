// What a screen reader is told an action did, and the status line that says it to a sighted
// user.

#include "main_window/form1.h"

#include "controls/announcer.h"

#include <QLabel>

namespace corvantile {

void Form1::announce(const QString &text)
{
    m_announcer->announce(text);
}

void Form1::say(const QString &text)
{
    lblCoords->setText(text);
    announce(text);
}

// An outcome stays in the status line, where a screen reader's status-bar command finds the
// latest one, also once a job's progress gives the line back.
// The outcomes of one job (the files of one drop, say) stand side by side in it, so that a
// refusal is not wiped by the next file's success; a screen reader hears each as it comes.
void Form1::report(const QString &text)
{
    const bool joined = jobRunning() && m_jobReported;
    m_statusAfterJob = joined ? m_statusAfterJob + QStringLiteral("; ") + text : text;
    m_jobReported = jobRunning();
    lblCoords->setText(m_statusAfterJob);
    announce(text);
}

} // namespace corvantile
