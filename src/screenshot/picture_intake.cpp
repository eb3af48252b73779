#include "picture_intake.h"

#include <QMutex>
#include <atomic>
#include <thread>

namespace corvantile {
namespace {

std::atomic<int> threadsAtWork{0};

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

// What a job shares with its thread. Once the window is done with the job (it finished, was
// cancelled, or the intake is gone) `owner` is null, and the thread's results go nowhere.
struct PictureIntake::Job
{
    ReadProgress progress;
    QMutex mutex;
    PictureIntake *owner = nullptr;
};

PictureIntake::PictureIntake(Clipboard &clipboard, QObject *parent)
    : QObject(parent), m_clipboard(clipboard)
{}

PictureIntake::~PictureIntake()
{
    if (m_job) {
        m_job->progress.cancelled = true;
        QMutexLocker lock(&m_job->mutex);
        m_job->owner = nullptr;
    }
}

qint64 PictureIntake::bytesRead() const
{
    return m_job ? m_job->progress.bytesRead.load() : 0;
}

bool PictureIntake::workStillRunning()
{
    return threadsAtWork > 0;
}

bool PictureIntake::pasteClipboard(quint64 inputTime)
{
    if (busy())
        return false;
    m_job = std::make_shared<Job>();
    m_job->owner = this;
    m_reading = QStringLiteral("the clipboard");
    beginClipboardRead(inputTime, 25);
    return true;
}

// The clipboard is asked once it can be, looked at every 20 ms for up to half a second.
void PictureIntake::beginClipboardRead(quint64 inputTime, int triesLeft)
{
    if (!m_clipboard.readyToRead() && triesLeft > 0) {
        QTimer::singleShot(20, this, [this, job = std::weak_ptr<Job>(m_job), inputTime, triesLeft] {
            if (!job.expired() && job.lock() == m_job)
                beginClipboardRead(inputTime, triesLeft - 1);
        });
        return;
    }
    Clipboard::PictureRead read = m_clipboard.beginRead(inputTime);
    startWork([read, job = m_job](const std::function<void(const Arrival &)> &deliver) {
        Arrival arrival;
        arrival.picture = read(job->progress);
        deliver(arrival);
    });
}

bool PictureIntake::openFiles(const QList<PicturePath> &files)
{
    if (busy())
        return false;
    m_job = std::make_shared<Job>();
    m_job->owner = this;
    m_reading =
        files.size() == 1 ? files.first().shown : QStringLiteral("%1 files").arg(files.size());
    // Each file in turn, as that many pastes would take them.
    startWork([files, job = m_job](const std::function<void(const Arrival &)> &deliver) {
        for (const PicturePath &file : files) {
            if (job->progress.cancelled)
                return;
            job->progress.bytesRead = 0;
            const PictureFileRead read = readPictureFile(file, job->progress);
            if (read.outcome == PictureFileRead::Outcome::Cancelled)
                return;
            Arrival arrival;
            arrival.file = file.shown;
            if (read.outcome == PictureFileRead::Outcome::Picture)
                arrival.picture = {ClipboardPicture::Read::Picture, read.decoded.image, true};
            else
                arrival.refusal = refusalOf(read, file.shown);
            deliver(arrival);
        }
    });
    return true;
}

void PictureIntake::startWork(
    std::function<void(const std::function<void(const Arrival &)> &)> work)
{
    // Each result goes to the window's thread as an event of its own, in order; none once the
    // window is done with the job.
    const auto post = [job = m_job](auto step) {
        QMutexLocker lock(&job->mutex);
        if (PictureIntake *owner = job->owner)
            QMetaObject::invokeMethod(
                owner,
                [owner, job, step] {
                    if (owner->m_job == job)
                        step(owner);
                },
                Qt::QueuedConnection);
    };
    ++threadsAtWork;
    std::thread([post, work = std::move(work)] {
        const auto deliver = [&post](const Arrival &arrival) {
            post([arrival](PictureIntake *owner) { emit owner->arrived(arrival); });
        };
        try {
            work(deliver);
        } catch (const std::exception &) { // no memory on the way: a failed read
            Arrival failed;
            failed.picture.read = ClipboardPicture::Read::Failed;
            deliver(failed);
        }
        post([](PictureIntake *owner) { owner->finish(false); });
        --threadsAtWork;
    }).detach();
}

void PictureIntake::cancel()
{
    if (!m_job)
        return;
    m_job->progress.cancelled = true;
    {
        QMutexLocker lock(&m_job->mutex);
        m_job->owner = nullptr;
    }
    finish(true);
}

void PictureIntake::finish(bool cancelled)
{
    m_job.reset();
    emit finished(cancelled);
}

} // namespace corvantile
