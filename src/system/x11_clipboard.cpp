#include "qt_clipboard.h"
#include "x11_clipboard_probe.h"

#include <QClipboard>
#include <QGuiApplication>

namespace corvantile {
namespace {

// Another program's clipboard on X11 is asked first, once and with a limit: an owner that does
// not answer makes the read fail at once instead of freezing the window, and one that offers
// no picture is not asked for one. (When the tool itself holds the clipboard, Qt answers from
// memory.)
class X11Clipboard : public QtClipboard
{
public:
    // How long another program that holds the clipboard may take to say what it offers.
    static constexpr std::chrono::milliseconds ownerAnswerLimit{2000};

    ClipboardPicture readPicture() override
    {
        ClipboardPicture result;
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (!clipboard)
            return result;
        if (clipboard->ownsClipboard())
            return readThroughQt(true);
        const ClipboardOffer offer = askClipboardOwner(ownerAnswerLimit);
        switch (offer.answer) {
        case ClipboardOffer::Answer::NoAnswer:
            // The bitmap test failed, which skips only the test: the paste goes on as if a
            // bitmap were there, and its read fails.
            result.read = ClipboardPicture::Read::Failed;
            result.offersBitmap = true;
            return result;
        case ClipboardOffer::Answer::NoOwner:
            return result;
        case ClipboardOffer::Answer::Targets:
            if (pictureFormat(offer.targets).isEmpty())
                return result;
            break;
        case ClipboardOffer::Answer::NoServer:
            break;
        }
        return readThroughQt(true);
    }
};

} // namespace

std::unique_ptr<Clipboard> x11Clipboard()
{
    return std::make_unique<X11Clipboard>();
}

} // namespace corvantile
