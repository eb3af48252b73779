#pragma once

#include "screenshot/background_job.h"
#include "system/clipboard.h"
#include "system/picture_file.h"

#include <QList>
#include <QObject>
#include <memory>

namespace corvantile {

// The one door through which pictures come in: the clipboard's (the paste button, the paste
// key, a screen reader's press) and picture files (named on the command line, or dropped).
//
// It reads and decodes as a background job (see BackgroundJob): one at a time, never one inside
// another, and the window keeps painting and answering meanwhile. Each picture it brings is
// handed to the window in one step, by `arrived`, in the order the pictures were asked for,
// and the job's `finished` ends it; cancel() ends it at once.
class PictureIntake : public QObject
{
    Q_OBJECT

public:
    // One picture that came in. For a file, `file` names it; a file that was refused has a
    // failed read and `refusal` says why, for the status line.
    struct Arrival
    {
        ClipboardPicture picture;
        QString file;
        QString refusal;
    };

    // Runs its reads as `job`, which the window shares with its other background work.
    PictureIntake(Clipboard &clipboard, BackgroundJob &job, QObject *parent = nullptr);

    // What the running read reads: "the clipboard", or a file's name.
    QString reading() const { return m_reading; }

    // Start a read; false, starting nothing, while a job runs. inputTime: see
    // Clipboard::beginRead.
    bool pasteClipboard(quint64 inputTime);
    bool openFiles(const QList<PicturePath> &files);

signals:
    void arrived(const corvantile::PictureIntake::Arrival &arrival);

private:
    void beginClipboardRead(quint64 inputTime, int triesLeft, int attempt);

    Clipboard &m_clipboard;
    BackgroundJob &m_job;
    QString m_reading;
    int m_attempt = 0; // tells a begun read's timer from a later one's
};

} // namespace corvantile
