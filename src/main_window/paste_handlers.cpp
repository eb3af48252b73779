// The paste: the clipboard's picture, or picture files, into the screenshot view and the next
// image buffers, through the one picture intake.

#include "controls/accessibility.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "object_definition/definition_search.h"
#include "screenshot/image_buffers.h"

#include <QLabel>

namespace corvantile {

void Form1::Command1_Click()
{
    if (!modalWindowOpen() && !refusedWhileBusy() && m_intake->pasteClipboard(m_lastInputTime))
        jobStarted(QStringLiteral("reading ") + m_intake->reading(), 500);
}

void Form1::openPictures(const QList<PicturePath> &files)
{
    if (!files.isEmpty() && !modalWindowOpen() && !refusedWhileBusy() && m_intake->openFiles(files))
        jobStarted(QStringLiteral("reading ") + m_intake->reading(), 500);
}

void Form1::openPicture(const QString &path)
{
    openPictures({PicturePath::fromString(path)});
}

void Form1::intakeFinished(const PictureIntake::Outcome &outcome)
{
    jobEnded();
    if (!outcome.stopped)
        return;
    // A paste stopped by the user is a read that failed: as for an owner that stopped
    // answering, the buffer counter moves on and nothing is stored.
    if (outcome.clipboard)
        takePicture(failedBitmapTest());
    report(outcome.clipboard ? QStringLiteral("Paste stopped") : QStringLiteral("Opening stopped"));
}

void Form1::pictureArrived(const PictureIntake::Arrival &arrival)
{
    if (!arrival.refusal.isEmpty()) {
        report(arrival.refusal);
        return;
    }
    const ClipboardPicture &picture = arrival.picture;
    takePicture(picture);
    const QString where = picture.offersBitmap && isBufferSlot(state.bufferIndex)
                              ? QStringLiteral("in buffer %1").arg(state.bufferIndex + 1)
                              : QStringLiteral("not kept in a buffer");
    if (picture.outcome == ReadOutcome::NoPicture)
        report(QStringLiteral("Nothing pasted: the clipboard holds no picture"));
    else if (picture.outcome == ReadOutcome::Damaged)
        report(QStringLiteral("Damaged picture on the clipboard"));
    else if (picture.failed())
        report(QStringLiteral("Nothing pasted: the clipboard's picture could not be read"));
    else
        report((arrival.file.isEmpty()
                    ? QStringLiteral("Pasted ")
                    : QStringLiteral("Opened ") + arrival.file + QStringLiteral(", ")) +
               sizeDescription(picture.image.size()) + QStringLiteral(", ") + where);
}

void Form1::takePicture(const ClipboardPicture &clip)
{
    clearMatches();
    PicInner->setAutoRedraw(true);
    // The view shows whatever the read gave, and is blank when it gave no picture; a read that
    // failed leaves the view as it was. A new size re-ranges the bars inside this call.
    if (!clip.failed()) {
        PicInner->setPicture(clip.image);
        m_search->forgetPicture();
    }
    m_buffers->keep(clip);
    PicInner->setAutoRedraw(false);
}

} // namespace corvantile
