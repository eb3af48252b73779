#pragma once

#include "x11_transfer.h"

#include <QByteArray>
#include <QStringList>
#include <chrono>

namespace corvantile {

// The display the program's own X connections open: the one Qt opened, which a `-display`
// option may have chosen instead of $DISPLAY. Empty: $DISPLAY.
void useX11Display(const QByteArray &name);
// Whether an X server answers on that display.
bool x11DisplayReachable();

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

// Reads the clipboard's picture from the X server (see transferPicture). time: the server
// time of the input that asked for it, or 0 for the current time.
SelectionPicture readSelectionPicture(ReadProgress &progress,
                                      std::chrono::milliseconds silenceLimit, quint32 time);

} // namespace corvantile
