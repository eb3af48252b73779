#pragma once

#include "clipboard.h"
#include "received_data.h"

#include <QByteArray>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

namespace corvantile {

// The questions that one read of the X11 clipboard asks its owner, on a connection of the
// tool's own. The transfer below is written against them, so that it can be driven by a
// scripted owner as well as by a real X server.
class SelectionChannel
{
public:
    enum class Property { None, Atoms, Incremental, Data };

    virtual ~SelectionChannel() = default;
    virtual bool hasOwner() = 0;
    // Asks the owner to convert the clipboard to `target`. Whether it answered within the
    // limit (the cancel flag ends the wait too), and in `given` whether it gave the property.
    virtual bool convert(const QByteArray &target, std::chrono::milliseconds limit,
                         const JobProgress &progress, bool &given) = 0;
    // Reads the property in pieces, hands each to `take` and deletes it. Gives its kind, or
    // None when it could not be read or `take` refused a piece.
    virtual Property takeProperty(const std::function<bool(const char *, qint64)> &take) = 0;
    // Waits for the owner's next increment, up to `limit` of silence.
    virtual bool waitForIncrement(std::chrono::milliseconds limit, const JobProgress &progress) = 0;
    // The names of the atoms in a list of 32-bit atoms, as the TARGETS answer holds them.
    virtual QStringList atomNames(const QByteArray &atoms) = 0;
};

// Reads the picture: the offer, then the data in the chosen format, in one piece or in
// increments. An owner may take as long as it likes while it keeps sending; silence
// for `silenceLimit` ends the read. The bytes are capped by what the picture's own header
// declares, so a flood of data never piles up in memory.
SelectionPicture transferPicture(SelectionChannel &owner, JobProgress &progress,
                                 std::chrono::milliseconds silenceLimit);

// Reads the clipboard's text with the same limits: UTF-8 when offered, else Latin-1. Empty when
// nobody holds the clipboard or it offers no text; nothing when the owner refused, sent more
// than textLimitBytes, fell silent, or the user cancelled.
std::optional<QString> transferText(SelectionChannel &owner, JobProgress &progress,
                                    std::chrono::milliseconds silenceLimit);

} // namespace corvantile
