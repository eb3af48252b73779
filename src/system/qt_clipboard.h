#pragma once

#include "clipboard.h"

#include <chrono>
#include <functional>

namespace corvantile {

// The clipboard read and written through Qt, as on every system. The readers of the single
// systems ask their own questions first and then read through here.
class QtClipboard : public Clipboard
{
public:
    // A picture read that gives nothing after this long ran into the platform's own time
    // limit (one second on Wayland): the owner did not answer.
    static constexpr std::chrono::milliseconds ownerStallLimit{900};

    ClipboardPicture readPicture(ReadProgress &progress) override
    {
        return readThroughQt(progress, true);
    }
    bool setText(const QString &text) override;

protected:
    // Asks for one picture format, PNG first, and decodes it. decodedIsBitmap: whether a
    // picture that decodes passes the bitmap test, which on Windows only its own bitmap does.
    ClipboardPicture readThroughQt(ReadProgress &progress, bool decodedIsBitmap);

    // Runs `work` on a thread of its own while this thread goes on painting the window and
    // answering the window manager, holding user input back until the work is done, and
    // returns what it read. Escape, as far as the system lets it be seen meanwhile, sets the
    // cancel flag; the work ends soon after it, and the read is a failed bitmap test.
    ClipboardPicture runWhileAlive(ReadProgress &progress,
                                   const std::function<ClipboardPicture()> &work);

    // Whether the user has pressed Escape in the tool's window since the read began, asked
    // of the system directly since the key event itself waits with the rest of the input.
    virtual bool escapePressed() { return false; }
};

// The readers of the single systems, each in a file of its own.
std::unique_ptr<Clipboard> x11Clipboard();
std::unique_ptr<Clipboard> waylandClipboard();
std::unique_ptr<Clipboard> windowsClipboard();

} // namespace corvantile
