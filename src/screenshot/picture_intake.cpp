#include "picture_intake.h"

#include <QTimer>

namespace corvantile {
namespace {

// The status line's words for a file that was not taken.
QString refusalOf(const PictureFileRead &read, const QString &name)
{
    using Outcome = DecodedPicture::Outcome;
    switch (read.outcome) {
    case PictureFileRead::Outcome::NotFile:
        return QStringLiteral("Not a picture file: ") + name;
    case PictureFileRead::Outcome::Refused:
        switch (read.decoded.outcome) {
        case Outcome::NotPicture:
            return QStringLiteral("Not a picture: ") + name;
        case Outcome::TooLarge:
            return QStringLiteral("Too large to open: ") + name;
        case Outcome::Damaged:
            return QStringLiteral("Damaged picture: ") + name;
        case Outcome::NoMemory:
            return QStringLiteral("Not enough memory to open: ") + name;
        case Outcome::Picture:
            break;
        }
        break;
    case PictureFileRead::Outcome::Picture:
    case PictureFileRead::Outcome::Cancelled:
    case PictureFileRead::Outcome::Unreadable:
        break;
    }
    return QStringLiteral("Could not read: ") + name;
}

} // namespace

PictureIntake::PictureIntake(Clipboard &clipboard, BackgroundJob &job, QObject *parent)
    : QObject(parent), m_clipboard(clipboard), m_job(job)
{}

bool PictureIntake::pasteClipboard(quint64 inputTime)
{
    if (!m_job.begin())
        return false;
    m_reading = QStringLiteral("the clipboard");
    beginClipboardRead(inputTime, 25, ++m_attempt);
    return true;
}

// The clipboard is asked once it can be, looked at every 20 ms for up to half a second.
void PictureIntake::beginClipboardRead(quint64 inputTime, int triesLeft, int attempt)
{
    if (!m_job.busy() || attempt != m_attempt)
        return; // cancelled meanwhile
    if (!m_clipboard.readyToRead() && triesLeft > 0) {
        QTimer::singleShot(20, this, [this, inputTime, triesLeft, attempt] {
            beginClipboardRead(inputTime, triesLeft - 1, attempt);
        });
        return;
    }
    Clipboard::PictureRead read = m_clipboard.beginRead(inputTime);
    m_job.run([this, read](const BackgroundJob::Post &post, ReadProgress &progress) {
        Arrival arrival;
        try {
            arrival.picture = read(progress);
        } catch (const std::exception &) { // no memory on the way: a failed read
            arrival.picture.read = ClipboardPicture::Read::Failed;
        }
        post([this, arrival] { emit arrived(arrival); });
    });
}

bool PictureIntake::openFiles(const QList<PicturePath> &files)
{
    if (!m_job.begin())
        return false;
    ++m_attempt;
    m_reading =
        files.size() == 1 ? files.first().shown : QStringLiteral("%1 files").arg(files.size());
    // Each file in turn, as that many pastes would take them.
    m_job.run([this, files](const BackgroundJob::Post &post, ReadProgress &progress) {
        for (const PicturePath &file : files) {
            if (progress.cancelled)
                return;
            progress.bytesRead = 0;
            PictureFileRead read;
            try {
                read = readPictureFile(file, progress);
            } catch (const std::exception &) {
                read.outcome = PictureFileRead::Outcome::Unreadable;
            }
            if (read.outcome == PictureFileRead::Outcome::Cancelled)
                return;
            Arrival arrival;
            arrival.file = file.shown;
            if (read.outcome == PictureFileRead::Outcome::Picture)
                arrival.picture = {ClipboardPicture::Read::Picture, read.decoded.image, true};
            else
                arrival.refusal = refusalOf(read, file.shown);
            post([this, arrival] { emit arrived(arrival); });
        }
    });
    return true;
}

} // namespace corvantile
