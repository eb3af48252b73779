#pragma once

#include "system/clipboard.h"
#include "system/picture_file.h"

#include <QList>
#include <QObject>
#include <QTimer>
#include <memory>

namespace corvantile {

// The one door through which pictures come in: the clipboard's (the paste button, the paste
// key, a screen reader's press) and picture files (named on the command line, or dropped).
//
// It runs one job at a time, and start() refuses while one runs: two jobs can never overlap,
// nor can one run inside another. A job reads and decodes on a thread of its own while the
// window goes on painting and answering; each picture it brings is handed to the window in
// one step, by `arrived`, in the order the pictures were asked for, and `finished` ends the
// job. cancel() ends it at once: the window hears `finished` straight away, and whatever the
// thread still brings is thrown away, so a decode that cannot be interrupted finishes in the
// background without holding anyone up.
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

    explicit PictureIntake(Clipboard &clipboard, QObject *parent = nullptr);
    ~PictureIntake() override;

    bool busy() const { return m_job != nullptr; }
    // Bytes read so far by the job, and what it reads ("the clipboard", or a file's name).
    qint64 bytesRead() const;
    QString reading() const { return m_reading; }

    // Start a job; false, starting nothing, while one runs. inputTime: see
    // Clipboard::beginRead.
    bool pasteClipboard(quint64 inputTime);
    bool openFiles(const QList<PicturePath> &files);
    // Ends the running job, if any, as cancelled.
    void cancel();

    // Whether a thread of a job (cancelled ones included) is still at work, which an exit
    // need not wait for.
    static bool workStillRunning();

signals:
    void arrived(const corvantile::PictureIntake::Arrival &arrival);
    void finished(bool cancelled);

private:
    struct Job;
    void startWork(std::function<void(const std::function<void(const Arrival &)> &)> work);
    void beginClipboardRead(quint64 inputTime, int triesLeft);
    void finish(bool cancelled);

    Clipboard &m_clipboard;
    std::shared_ptr<Job> m_job;
    QString m_reading;
};

} // namespace corvantile
