#include "picture_intake.h"

#include "system/picture_decode.h"

#include <QTimer>

namespace corvantile {

PictureIntake::PictureIntake(Clipboard &clipboard) : m_clipboard(clipboard)
{
    watchDecoderDamage(); // here, on the window thread, before any picture is read

    m_readyWait.setSingleShot(true);
    m_readyWait.setInterval(20);
    connect(&m_readyWait, &QTimer::timeout, this, &PictureIntake::beginClipboardRead);
    connect(&m_job, &BackgroundJob::finished, this, [this](bool cancelled) {
        emit finished({m_readsClipboard, cancelled, m_job.failure()});
    });
}

bool PictureIntake::pasteClipboard(quint64 inputTime)
{
    if (!m_job.begin())
        return false;
    m_readsClipboard = true;
    m_reading = QStringLiteral("the clipboard");
    m_inputTime = inputTime;
    m_readyTriesLeft = 25;
    beginClipboardRead();
    return true;
}

void PictureIntake::cancel()
{
    m_readyWait.stop(); // a stopped wait never starts a read
    m_job.cancel();
}

// The clipboard is asked once it can be, looked at every 20 ms for up to half a second.
void PictureIntake::beginClipboardRead()
{
    if (!m_clipboard.readyToRead() && m_readyTriesLeft-- > 0) {
        m_readyWait.start();
        return;
    }
    Clipboard::PictureRead read = m_clipboard.beginRead(m_inputTime);
    m_job.run([this, read](const BackgroundJob::Post &post, JobProgress &progress) {
        Arrival arrival;
        try {
            arrival.picture = read(progress);
        } catch (const std::exception &) { // no memory on the way: a failed read
            arrival.picture.outcome = ReadOutcome::NoMemory;
        }
        post([this, arrival] { emit arrived(arrival); });
    });
}

bool PictureIntake::openFiles(const QList<PicturePath> &files)
{
    if (!m_job.begin())
        return false;
    m_readsClipboard = false;
    m_reading =
        files.size() == 1 ? files.first().shown : QStringLiteral("%1 files").arg(files.size());
    // Each file in turn, as that many pastes would take them.
    m_job.run([this, files](const BackgroundJob::Post &post, JobProgress &progress) {
        for (const PicturePath &file : files) {
            if (progress.cancelled)
                return;
            progress.done = 0;
            DecodedPicture read;
            try {
                read = readPictureFile(file, progress);
            } catch (const std::exception &) {
                read.outcome = ReadOutcome::Unreadable;
            }
            if (read.outcome == ReadOutcome::Cancelled)
                return;
            Arrival arrival;
            arrival.file = file.shown;
            // A file refused offers no bitmap: it moves no buffer counter.
            arrival.picture = {read.outcome, read.image, read.outcome == ReadOutcome::Decoded};
            post([this, arrival] { emit arrived(arrival); });
        }
    });
    return true;
}

} // namespace corvantile
