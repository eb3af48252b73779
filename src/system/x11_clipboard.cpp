#include "qt_clipboard.h"
#include "x11_selection.h"

#include <QClipboard>
#include <QGuiApplication>

namespace corvantile {
namespace {

// Another program's clipboard on X11 is read by the tool itself, on a connection of its own:
// an owner that stops sending makes the read fail after a short silence, and one that sends
// too much is cut off. (When the tool itself holds the clipboard, Qt answers from memory.)
class X11Clipboard : public QtClipboard
{
public:
    PictureRead beginRead(quint64 inputTime) override
    {
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (!clipboard)
            return readGiving({});
        if (clipboard->ownsClipboard())
            return readThroughQt(true);
        // The request carries the time of the input that started the paste, as owners may
        // refuse a request older than their ownership.
        const auto time = static_cast<quint32>(inputTime);
        return [time](JobProgress &progress) {
            return pictureOfSelection(readSelectionPicture(progress, ownerSilenceLimit, time),
                                      progress);
        };
    }

    TextRead beginTextRead(quint64 inputTime) override
    {
        const QClipboard *clipboard = QGuiApplication::clipboard();
        if (!clipboard || clipboard->ownsClipboard())
            return Clipboard::beginTextRead(inputTime); // answered from memory
        return [time = static_cast<quint32>(inputTime)](JobProgress &progress) {
            return readSelectionText(progress, ownerSilenceLimit, time);
        };
    }
};

} // namespace

std::unique_ptr<Clipboard> x11Clipboard()
{
    return std::make_unique<X11Clipboard>();
}

} // namespace corvantile
