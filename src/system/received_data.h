#pragma once

#include "common/job_progress.h"
#include "read_outcome.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

namespace corvantile {

// Takes one piece of another program's data as it comes; false refuses it and ends the read.
using TakePiece = std::function<bool(const char *, qint64)>;
// A read of another program's data that hands each piece to `take`. Received when all of it
// came; NoPicture when nobody offers it or nothing offered suits; OwnerSilent when the sender
// fell silent; Cancelled when the user stopped it; Refused when the sender refused or `take`
// refused a piece.
using PieceRead = std::function<ReadOutcome(const TakePiece &take)>;

// The clipboard's picture as the bytes of a picture file, read whole.
// Received: bytes holds the whole picture file (not yet decoded); else NoPicture (nobody holds
// the clipboard, or it offers no picture format), OwnerSilent, Cancelled, Refused (the owner
// refused, or sent what cannot be a picture the tool would take) or NoServer.
struct SelectionPicture
{
    ReadOutcome outcome = ReadOutcome::NoServer;
    QByteArray bytes;
};

// The picture that `read` delivers, its bytes capped by what the picture's own header declares,
// so that a flood of data never piles up in memory. progress.done follows the bytes.
SelectionPicture collectPicture(JobProgress &progress, const PieceRead &read);

// The most text a paste takes: far more than a text box or a definition needs.
constexpr qint64 textLimitBytes = 16 * 1024 * 1024;

// The text that `read` delivers, up to textLimitBytes, as bytes: empty when nothing is offered
// (NoPicture); nothing when the read failed, was stopped, or the text was over the limit.
std::optional<QByteArray> collectText(JobProgress &progress, const PieceRead &read);

// Reads a pipe that another program writes into until it closes its end, each piece handed to
// `take`. Silence for `silenceLimit` (OwnerSilent) or the cancel flag (Cancelled) ends the
// read within a tenth of a second. The pipe stays open; its owner closes it.
ReadOutcome readPipe(int fd, JobProgress &progress, std::chrono::milliseconds silenceLimit,
                     const TakePiece &take);

} // namespace corvantile
