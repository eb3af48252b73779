#pragma once

#include "screenshot/picture_intake.h"

#include <QObject>

namespace corvantile {

class Clipboard;
class ImageBuffers;
class JobStatus;
class PictureBox;
class StatusLine;

// The paste: the clipboard's picture, or picture files, through the one picture intake into
// the screenshot view and the next image buffer, with each outcome in the status line.
class PasteFlow : public QObject
{
    Q_OBJECT

public:
    PasteFlow(Clipboard &clipboard, PictureBox *view, ImageBuffers &buffers, JobStatus &job,
              StatusLine &status);

    bool busy() const { return m_intake.busy(); }
    // Whether a read may start now; when a job runs, the user is told why not.
    bool mayStart();
    // Each starts a read, unless a job runs or a menu or modal window of the tool is open (a
    // screen reader may still press the paste button then): the picture would land under it.
    void pasteClipboard(quint64 inputTime);
    void openFiles(const QList<PicturePath> &files);

signals:
    // The view is about to show another picture: what was found in the one before goes.
    void pictureReplacing();
    // The view shows the picture a read gave (or is blank).
    void pictureShown();

private:
    void started();
    void arrived(const PictureIntake::Arrival &arrival);
    void finished(const PictureIntake::Outcome &outcome);
    int take(const ClipboardPicture &clip);

    PictureBox *m_view;
    ImageBuffers &m_buffers;
    JobStatus &m_job;
    StatusLine &m_status;
    PictureIntake m_intake;
};

// The status line's words for what a read brought, from the clipboard or from a file: what was
// pasted or opened and the buffer it was kept in (`slot`, or -1), or why nothing was.
QString arrivalText(const ClipboardPicture &picture, const QString &file, int slot);

} // namespace corvantile
