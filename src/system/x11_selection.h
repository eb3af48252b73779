#pragma once

#include "clipboard.h"

#include <QByteArray>
#include <QStringList>
#include <chrono>

namespace corvantile {

// What the owner of the X11 clipboard says it offers, asked on a connection of the tool's own
// with a time limit. Qt's own clipboard read waits for an owner that does not answer for many
// seconds (it tries one format after another), which would freeze the window; asking the
// owner once, with a limit, first tells a frozen owner from a live one.
struct ClipboardOffer
{
    enum class Answer {
        Targets,  // the owner answered; targets holds what it offers
        NoOwner,  // nobody holds the clipboard
        NoAnswer, // the owner did not answer within the limit
        NoServer, // no X server to ask
    };
    Answer answer = Answer::NoServer;
    QStringList targets;
};

ClipboardOffer askClipboardOwner(std::chrono::milliseconds limit);

// The clipboard's picture as the bytes of a picture file, read whole by the tool itself: the
// offer, then the data in the chosen format, in one piece or in increments.
struct SelectionPicture
{
    enum class Outcome {
        Bytes,     // bytes holds the whole picture file
        NoPicture, // nobody holds the clipboard, or it offers no picture format
        Stalled,   // the owner stopped sending, or the user cancelled
        Refused,   // the owner refused, or sent what cannot be a picture the tool would take
        NoServer,  // no X server to ask
    };
    Outcome outcome = Outcome::NoServer;
    QByteArray bytes;
};

// Reads the picture. An owner may take as long as it likes while it keeps sending; silence
// for `silenceLimit` ends the read. The bytes are capped by what the picture's own header
// declares, so a flood of data never piles up in memory.
SelectionPicture readSelectionPicture(ReadProgress &progress,
                                      std::chrono::milliseconds silenceLimit);

} // namespace corvantile
