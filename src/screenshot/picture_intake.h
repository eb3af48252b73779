#pragma once

#include "common/background_job.h"
#include "system/clipboard.h"
#include "system/picture_file.h"

#include <QList>
#include <QObject>
#include <QTimer>

namespace corvantile {

// The one door through which pictures come in: the clipboard's (the paste button, the paste
// key, a screen reader's press) and picture files (named on the command line, or dropped).
//
// It reads and decodes as a job of its own (see BackgroundJob): one at a time, never one inside
// another, and the window keeps painting and answering meanwhile. Each picture it brings is
// handed over in one step, by `arrived`, in the order the pictures were asked for, as soon as
// it is decoded, so that several files never wait in memory for each other; `finished` ends
// the read, once, and says whether it was stopped. cancel() stops it at once: `finished` comes
// before cancel() returns, and nothing of the stopped read arrives after it.
class PictureIntake : public QObject
{
    Q_OBJECT

public:
    // One picture that came in, or why it did not. For a file, `file` names it.
    struct Arrival
    {
        ClipboardPicture picture;
        QString file;
    };

    // How a read ended: what it read, and whether the user stopped it.
    struct Outcome
    {
        bool clipboard = false; // the clipboard, else files
        bool stopped = false;
        QString failure; // why the read could not run ("Could not start the work: ..."), if so
    };

    // Reads the clipboard it is given, which must outlive it.
    explicit PictureIntake(Clipboard &clipboard);

    bool busy() const { return m_job.busy(); }
    // What the running read reads: "the clipboard", or a file's name.
    QString reading() const { return m_reading; }
    // The bytes the running read has read so far.
    qint64 bytesRead() const { return m_job.progress(); }

    // Start a read; false, starting nothing, while one runs. inputTime: see
    // Clipboard::beginRead.
    bool pasteClipboard(quint64 inputTime);
    bool openFiles(const QList<PicturePath> &files);
    void cancel();
    // Whether the running read waits for a stopped one to end first.
    bool waitsForStoppedRead() const { return m_job.waitsForEarlier(); }

signals:
    void arrived(const corvantile::PictureIntake::Arrival &arrival);
    void finished(const corvantile::PictureIntake::Outcome &outcome);

private:
    void beginClipboardRead();

    Clipboard &m_clipboard;
    // The intake's own: a step its work posted never runs once the intake, and so the job, is
    // gone.
    BackgroundJob m_job;
    QString m_reading;
    bool m_readsClipboard = false;
    // A paste waits here until the clipboard can be read; the wait belongs to the paste alone.
    QTimer m_readyWait;
    quint64 m_inputTime = 0;
    int m_readyTriesLeft = 0;
};

} // namespace corvantile
