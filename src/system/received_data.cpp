#include "received_data.h"

#include "picture_stream.h"

#include <algorithm>

#ifndef Q_OS_WIN
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

namespace corvantile {

SelectionPicture collectPicture(JobProgress &progress, const PieceRead &read)
{
    PictureStream picture(&progress.done);
    SelectionPicture result;
    result.outcome =
        read([&picture](const char *data, qint64 length) { return picture.take(data, length); });
    if (result.outcome != ReadOutcome::Received)
        return result;
    if (!picture.finish()) {
        result.outcome = ReadOutcome::Refused;
        return result;
    }
    result.bytes = picture.takeBytes();
    return result;
}

std::optional<QByteArray> collectText(JobProgress &progress, const PieceRead &read)
{
    QByteArray bytes;
    const ReadOutcome outcome = read([&](const char *data, qint64 length) {
        if (bytes.size() + length > textLimitBytes)
            return false;
        bytes.append(data, length);
        progress.done = bytes.size();
        return true;
    });
    if (outcome == ReadOutcome::NoPicture)
        return QByteArray();
    if (outcome != ReadOutcome::Received)
        return std::nullopt;
    return bytes;
}

#ifndef Q_OS_WIN
ReadOutcome readPipe(int fd, JobProgress &progress, std::chrono::milliseconds silenceLimit,
                     const TakePiece &take)
{
    using Clock = std::chrono::steady_clock;
    // The cancel flag is looked at between waits of at most this long.
    constexpr std::chrono::milliseconds slice{50};
    QByteArray piece(64 * 1024, Qt::Uninitialized);
    Clock::time_point lastHeard = Clock::now();
    for (;;) {
        if (progress.cancelled)
            return ReadOutcome::Cancelled;
        const auto silent =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastHeard);
        if (silent >= silenceLimit)
            return ReadOutcome::OwnerSilent;
        pollfd waiting{fd, POLLIN, 0};
        const int ready =
            ::poll(&waiting, 1, static_cast<int>(std::min(slice, silenceLimit - silent).count()));
        if (ready < 0 && errno != EINTR)
            return ReadOutcome::Refused;
        if (ready <= 0)
            continue;
        const ssize_t got = ::read(fd, piece.data(), static_cast<size_t>(piece.size()));
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return ReadOutcome::Refused;
        }
        if (got == 0)
            return ReadOutcome::Received; // the sender closed its end: all of it came
        if (!take(piece.constData(), got))
            return ReadOutcome::Refused;
        lastHeard = Clock::now();
    }
}
#endif

} // namespace corvantile
