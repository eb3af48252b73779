#include "paste_flow.h"

#include "controls/accessibility.h"
#include "controls/picture_box.h"
#include "controls/status_line.h"
#include "main_window/job_status.h"
#include "screenshot/image_buffers.h"

#include <QApplication>
#include <QLocale>

namespace corvantile {

PasteFlow::PasteFlow(Clipboard &clipboard, PictureBox *view, ImageBuffers &buffers, JobStatus &job,
                     StatusLine &status)
    : m_view(view), m_buffers(buffers), m_job(job), m_status(status), m_intake(clipboard)
{
    connect(&m_intake, &PictureIntake::arrived, this, &PasteFlow::arrived);
    connect(&m_intake, &PictureIntake::finished, this, &PasteFlow::finished);
}

bool PasteFlow::mayStart()
{
    return !QApplication::activeModalWidget() && !QApplication::activePopupWidget() &&
           !m_job.refusedWhileBusy();
}

void PasteFlow::pasteClipboard(quint64 inputTime)
{
    if (mayStart() && m_intake.pasteClipboard(inputTime))
        started();
}

void PasteFlow::openFiles(const QList<PicturePath> &files)
{
    if (!files.isEmpty() && mayStart() && m_intake.openFiles(files))
        started();
}

void PasteFlow::started()
{
    PictureIntake &intake = m_intake;
    m_job.started(
        {QStringLiteral("reading ") + m_intake.reading(), 500,
         [&intake](const QString &what, qint64 elapsedMs) {
             // The seconds go on while an owner sends nothing: the read is waited
             // for, not stuck.
             const QString seconds = QStringLiteral("%1 s").arg(elapsedMs / 1000);
             // A stopped decode that cannot be cut short finishes its picture first.
             if (intake.waitsForStoppedRead())
                 return QStringLiteral("Waiting for the stopped read to end... %1").arg(seconds);
             const qint64 bytes = intake.bytesRead();
             return bytes == 0 ? QStringLiteral("%1... %2").arg(what, seconds)
                               : QStringLiteral("%1: %2 MB, %3")
                                     .arg(what, QLocale().toString(bytes / 1e6, 'f', 1), seconds);
         },
         [&intake] { intake.cancel(); }});
}

void PasteFlow::finished(const PictureIntake::Outcome &outcome)
{
    m_job.ended();
    if (!outcome.failure.isEmpty()) {
        m_status.report(outcome.failure);
        return;
    }
    if (!outcome.stopped)
        return;
    // A paste stopped by the user is a read that failed: as for an owner that stopped
    // answering, the buffer counter moves on and nothing is stored.
    if (outcome.clipboard)
        take(stoppedRead(ReadOutcome::Cancelled));
    m_status.report(outcome.clipboard ? QStringLiteral("Paste stopped")
                                      : QStringLiteral("Opening stopped"));
}

void PasteFlow::arrived(const PictureIntake::Arrival &arrival)
{
    // A file that is refused changes nothing; a clipboard's read that fails still moves the
    // buffer counter, as the buffers decide.
    const bool refusedFile = !arrival.file.isEmpty() && arrival.picture.failed();
    const int slot = refusedFile ? -1 : take(arrival.picture);
    m_status.report(arrivalText(arrival.picture, arrival.file, slot));
}

// The view shows whatever the read gave, and is blank when it gave no picture; a read that
// failed leaves the view as it was. A new size re-ranges the bars inside this call.
int PasteFlow::take(const ClipboardPicture &clip)
{
    emit pictureReplacing();
    if (!clip.failed()) {
        m_view->setPicture(clip.image);
        emit pictureShown();
    }
    return m_buffers.keep(clip);
}

QString arrivalText(const ClipboardPicture &picture, const QString &file, int slot)
{
    const ReadOutcome outcome = picture.outcome;
    if (!file.isEmpty() && picture.failed()) {
        switch (outcome) {
        case ReadOutcome::NotFile:
            return QStringLiteral("Not a picture file: ") + file;
        case ReadOutcome::NotPicture:
        case ReadOutcome::Refused:
            return QStringLiteral("Not a picture: ") + file;
        case ReadOutcome::TooLarge:
            return QStringLiteral("Too large to open: ") + file;
        case ReadOutcome::Damaged:
            return QStringLiteral("Damaged picture: ") + file;
        case ReadOutcome::NoMemory:
            return QStringLiteral("Not enough memory to open: ") + file;
        default:
            return QStringLiteral("Could not read: ") + file;
        }
    }
    if (outcome == ReadOutcome::NoPicture)
        return QStringLiteral("Nothing pasted: the clipboard holds no picture");
    if (outcome == ReadOutcome::Damaged)
        return QStringLiteral("Damaged picture on the clipboard");
    if (picture.failed())
        return QStringLiteral("Nothing pasted: the clipboard's picture could not be read");
    const QString where = slot >= 0 ? QStringLiteral("in buffer %1").arg(slot + 1)
                                    : QStringLiteral("not kept in a buffer");
    return (file.isEmpty() ? QStringLiteral("Pasted ")
                           : QStringLiteral("Opened ") + file + QStringLiteral(", ")) +
           sizeDescription(picture.image.size()) + QStringLiteral(", ") + where;
}

} // namespace corvantile
