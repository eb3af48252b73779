#pragma once

namespace corvantile {

// How a read of a picture ended, from the first answer of the clipboard's owner or the file
// up to the window. One outcome for the whole way: the transfer, the decode, the clipboard's
// read and the file's read each say it in these words.
enum class ReadOutcome {
    Picture,    // the whole picture came, and decoded
    NoPicture,  // nobody holds the clipboard, or it offers no picture at all
    Stopped,    // the owner stopped answering, or the user cancelled the read
    Refused,    // the owner refused, or sent what cannot be a picture the tool would take
    NoServer,   // no window system to ask
    NotPicture, // bytes in no picture format the tool reads
    TooLarge,   // a picture whose declared size is over the picture limit
    Damaged,    // a picture whose decoder found it cut short or corrupt
    NoMemory,   // an allocation failed on the way
    NotFile,    // a name that is no regular file: a folder, a FIFO, a device
    Unreadable, // a file that could not be opened or read
};

} // namespace corvantile
