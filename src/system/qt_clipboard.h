#pragma once

#include "clipboard.h"
#include "received_data.h"

#include <chrono>

namespace corvantile {

// The clipboard read and written through Qt, as on every system. The readers of the single
// systems ask their own questions first and then read through here.
class QtClipboard : public Clipboard
{
public:
    // A picture read that gives nothing after this long ran into the platform's own time
    // limit (one second on Wayland): the owner did not answer.
    static constexpr std::chrono::milliseconds ownerStallLimit{900};

    // How long an owner that the tool reads itself may stay silent: before it says what it
    // offers, and between the pieces of its data.
    static constexpr std::chrono::milliseconds ownerSilenceLimit{2000};

    PictureRead beginRead(quint64) override { return readThroughQt(true); }
    bool setText(const QString &text) override;

protected:
    // Asks Qt for the bytes of one picture format, PNG first, on the window's thread, and
    // leaves their decoding to the worker. decodedIsBitmap: whether a picture that decodes
    // passes the bitmap test, which on Windows only its own bitmap does.
    PictureRead readThroughQt(bool decodedIsBitmap);
};

// The clipboard's picture from bytes that the tool read itself, decoded here on the worker. An
// owner that stopped answering failed the bitmap test too.
ClipboardPicture pictureOfSelection(const SelectionPicture &selection, JobProgress &progress);

// A read that is over before it starts.
Clipboard::PictureRead readGiving(const ClipboardPicture &picture);

// The readers of the single systems, each in a file of its own.
std::unique_ptr<Clipboard> x11Clipboard();
std::unique_ptr<Clipboard> waylandClipboard();
std::unique_ptr<Clipboard> windowsClipboard();

} // namespace corvantile
