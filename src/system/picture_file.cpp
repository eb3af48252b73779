#include "picture_file.h"

#include "picture_stream.h"

#include <QFileInfo>

#ifdef Q_OS_WIN
#include <QFile>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace corvantile {
namespace {

constexpr qint64 pieceBytes = 1024 * 1024;

// Hands the file's pieces to the stream until it ends, the stream refuses, or the user
// cancels. readPiece gives the bytes read, 0 at the end, or -1 on an error.
template <typename ReadPiece> DecodedPicture streamed(ReadPiece readPiece, JobProgress &progress)
{
    PictureStream stream(&progress.done);
    QByteArray piece(pieceBytes, Qt::Uninitialized);
    for (;;) {
        if (progress.cancelled)
            return {ReadOutcome::Cancelled, {}};
        const qint64 got = readPiece(piece.data(), piece.size());
        if (got < 0)
            return {ReadOutcome::Unreadable, {}};
        if (got == 0)
            break;
        if (!stream.take(piece.constData(), got))
            break;
    }
    if (progress.cancelled)
        return {ReadOutcome::Cancelled, {}};
    // The decoder judges the header again and says why a refused stream was refused.
    return decodePicture(stream.takeBytes(), &progress.cancelled);
}

} // namespace

PicturePath PicturePath::fromUrl(const QUrl &url)
{
#ifdef Q_OS_WIN
    return fromString(url.toLocalFile());
#else
    // The path as the URL encodes it, so that bytes that are no UTF-8 come back unchanged.
    const QByteArray native =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return {native, QFileInfo(QFile::decodeName(native)).fileName()};
#endif
}

PicturePath PicturePath::fromString(const QString &path)
{
    return {QFile::encodeName(path), QFileInfo(path).fileName()};
}

#ifdef Q_OS_WIN

PicturePath PicturePath::fromArgument(const char *argument)
{
    return fromString(QString::fromLocal8Bit(argument));
}

DecodedPicture readPictureFile(const PicturePath &path, JobProgress &progress)
{
    const QString name = QFile::decodeName(path.native);
    if (QFileInfo(name).exists() && !QFileInfo(name).isFile())
        return {ReadOutcome::NotFile, {}};
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return {ReadOutcome::Unreadable, {}};
    return streamed([&](char *data, qint64 size) { return file.read(data, size); }, progress);
}

#else

PicturePath PicturePath::fromArgument(const char *argument)
{
    const QByteArray native(argument);
    return {native, QFileInfo(QFile::decodeName(native)).fileName()};
}

DecodedPicture readPictureFile(const PicturePath &path, JobProgress &progress)
{
    // Opened without waiting: a FIFO opened for reading would otherwise wait for a writer.
    const int fd = ::open(path.native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {errno == ENXIO ? ReadOutcome::NotFile : ReadOutcome::Unreadable, {}};
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return {ReadOutcome::NotFile, {}};
    }
    const DecodedPicture read = streamed(
        [fd](char *data, qint64 size) -> qint64 {
            for (;;) {
                const ssize_t got = ::read(fd, data, size_t(size));
                if (got >= 0 || errno != EINTR)
                    return got;
            }
        },
        progress);
    ::close(fd);
    return read;
}

#endif

} // namespace corvantile
