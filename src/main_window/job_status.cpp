// The window while a picture is read or the screenshot searched: a busy pointer, after a while
// how far the job got, and the refusal of whatever would change the picture, the buffers or
// the region meanwhile.

#include "main_window/form1.h"
#include "object_definition/definition_search.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QTimer>

namespace corvantile {
namespace {

constexpr int progressInterval = 100; // ms between two looks at a running job's progress

} // namespace

bool Form1::jobRunning() const
{
    return m_intake->busy() || m_search->busy();
}

bool Form1::pictureJobRunning() const
{
    return jobRunning() || m_textRead.busy();
}

// No picture comes in while a menu or a modal window of the tool is open (a screen reader may
// still press the paste button then): it would land under the open window.
bool Form1::modalWindowOpen() const
{
    return QApplication::activeModalWidget() || QApplication::activePopupWidget();
}

// Nothing that changes the picture, the buffers or the region starts while a job runs; the
// user hears why.
bool Form1::refusedWhileBusy()
{
    if (!jobRunning())
        return false;
    say(QStringLiteral("Still %1: wait, or press Escape to stop").arg(m_jobWhat));
    m_refusalShown.start();
    return true;
}

// Once the job takes a while the status line shows how far it got; it gets its text back when
// the job ends.
void Form1::jobStarted(const QString &what, int progressAfterMs)
{
    m_jobWhat = what;
    m_statusAfterJob = lblCoords->text();
    m_jobReported = false;
    m_refusalShown.invalidate();
    m_jobTime.start();
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_jobProgress->start(progressAfterMs);
}

void Form1::showJobProgress()
{
    // A screen reader hears once that a job takes a while, and what it does.
    if (m_jobProgress->interval() != progressInterval)
        announce(m_jobWhat.left(1).toUpper() + m_jobWhat.mid(1));
    m_jobProgress->setInterval(progressInterval);
    if (m_refusalShown.isValid() && m_refusalShown.elapsed() < 1500)
        return; // the refusal stays readable for a moment
    const QString what = m_jobWhat.left(1).toUpper() + m_jobWhat.mid(1);
    if (m_search->busy()) {
        lblCoords->setText(QStringLiteral("%1: %2 %").arg(what).arg(m_search->percent()));
        return;
    }
    // The seconds go on while an owner sends nothing: the read is waited for, not stuck.
    const qint64 bytes = m_intake->bytesRead();
    const QString seconds = QStringLiteral("%1 s").arg(m_jobTime.elapsed() / 1000);
    // A stopped decode that cannot be cut short finishes its picture first.
    if (m_intake->waitsForStoppedRead()) {
        lblCoords->setText(
            QStringLiteral("Waiting for the stopped read to end... %1").arg(seconds));
        return;
    }
    lblCoords->setText(bytes == 0
                           ? QStringLiteral("%1... %2").arg(what, seconds)
                           : QStringLiteral("%1: %2 MB, %3")
                                 .arg(what, QLocale().toString(bytes / 1e6, 'f', 1), seconds));
}

void Form1::jobEnded()
{
    m_jobProgress->stop();
    lblCoords->setText(m_statusAfterJob);
    QGuiApplication::restoreOverrideCursor();
}

} // namespace corvantile
