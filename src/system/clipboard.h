#pragma once

#include "common/job_progress.h"
#include "picture_decode.h"
#include "read_outcome.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace corvantile {

// What one read of the clipboard's picture gives.
struct ClipboardPicture
{
    // Decoded: image holds it. NoPicture: the clipboard holds no picture at all. Any other
    // outcome is a failed read: the clipboard could not be read, or it offers a picture that
    // cannot be decoded or held; the view keeps what it shows.
    ReadOutcome outcome = ReadOutcome::NoPicture;
    // The picture, converted to RGB32 when it came from a bitmap.
    QImage image;
    // Whether the clipboard offers a bitmap (a raster image that decodes). When the bitmap test
    // itself fails (the owner does not answer in time), this is true and the read failed: the
    // paste then goes on as if a bitmap were there, and stores nothing.
    bool offersBitmap = false;

    bool failed() const
    {
        return outcome != ReadOutcome::Decoded && outcome != ReadOutcome::NoPicture;
    }
    // Whether the read moves the buffer counter on: every read that offered a bitmap does,
    // a failed one too, which then stores nothing in the slot it reaches (a slot the user
    // counts on stays where the count of pastes puts it).
    bool movesBufferCounter() const { return offersBitmap; }
};

// A read that stopped before it knew what the clipboard holds: the owner fell silent, or the
// user stopped the paste. It counts as a bitmap that could not be read: the buffer counter
// moves on, and nothing is stored.
inline ClipboardPicture stoppedRead(ReadOutcome why)
{
    return {why, QImage(), true};
}

// The clipboard as the tool uses it. Tests stand in their own to make reads and writes fail.
class Clipboard
{
public:
    // The read of the clipboard's picture, with the bitmap test, in one go. It runs on a
    // worker thread and waits on the clipboard's owner as long as the owner keeps sending; the
    // wait ends soon after the progress's cancel flag is set, and the decoding of bytes that
    // have all come stops at its next read of them.
    using PictureRead = std::function<ClipboardPicture(JobProgress &)>;

    virtual ~Clipboard() = default;
    // Whether the clipboard can be asked now. A Wayland compositor shows the clipboard only to
    // the window with the keyboard focus, which a click that activates the window may give a
    // moment after the click.
    virtual bool readyToRead() { return true; }
    // Starts a read on the window's thread: asks what only that thread may ask, and gives the
    // rest of the read for the worker, asking the clipboard's owner as few questions as
    // possible. inputTime: when the user's input that asked for it happened, as the window
    // system stamped it (0 when no input did, for a screen reader's press).
    virtual PictureRead beginRead(quint64 inputTime) = 0;
    // Puts text on the clipboard as plain text. Returns false when it could not.
    virtual bool setText(const QString &text) = 0;
    // The clipboard's text, asked for as a text box's own paste does, on the window's thread.
    virtual QString readText();

    // The read of the clipboard's text, begun and run as a picture's read is: on a worker,
    // waiting on the owner as long as it keeps sending, and ending soon after the cancel flag
    // is set. It gives the text (empty when there is none), or nothing when the owner did not
    // answer or the read was cancelled. Where the system offers no read of its own, the text
    // is asked for here, on the window's thread, as a text box would.
    using TextRead = std::function<std::optional<QString>(JobProgress &)>;
    virtual TextRead beginTextRead(quint64 inputTime);
};

// What a read gives for the picture that the clipboard offered: a picture that is not whole,
// not a picture, or too large is a failed read that leaves the view and the buffers as they
// are.
ClipboardPicture clipboardPicture(const DecodedPicture &decoded);

// The clipboard of the system the program runs on, with the reader made for that system.
std::unique_ptr<Clipboard> systemClipboard();

} // namespace corvantile
