#pragma once

namespace corvantile {

// How a read of a picture ended, from the first answer of the clipboard's owner or the file
// up to the window. One outcome for the whole way: the transfer, the decode, the clipboard's
// read and the file's read each say it in these words.
enum class ReadOutcome {
    Received,    // all the bytes came (a transfer's end; they are not decoded yet)
    Decoded,     // the whole picture came, and decoded
    NoPicture,   // nobody holds the clipboard, or it offers no picture at all
    Cancelled,   // the user stopped the read
    OwnerSilent, // the owner stopped answering
    Refused,     // the owner refused, or sent what cannot be a picture the tool would take
    NoServer,    // no window system to ask
    NotPicture,  // bytes in no picture format the tool reads
    TooLarge,    // a picture whose declared size is over the picture limit
    Damaged,     // a picture whose decoder found it cut short or corrupt
    NoMemory,    // an allocation failed on the way
    NotFile,     // a name that is no regular file: a folder, a FIFO, a device
    Unreadable,  // a file that could not be opened or read
};

// A read that stopped before all of it came, whoever stopped it.
constexpr bool stoppedEarly(ReadOutcome outcome)
{
    return outcome == ReadOutcome::Cancelled || outcome == ReadOutcome::OwnerSilent;
}

} // namespace corvantile
