#include "clipboard.h"

#ifdef CORVANTILE_HAS_XCB
#include "x11_clipboard_probe.h"
#endif

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace corvantile {

ClipboardPicture SystemClipboard::readPicture()
{
    ClipboardPicture result;
    QClipboard *clipboard = QGuiApplication::clipboard();
#ifdef CORVANTILE_HAS_XCB
    // Another program's clipboard on X11 is asked first, once and with a limit: an owner that
    // does not answer makes the read fail at once instead of freezing the window, and one
    // that offers no picture is not asked for one. (When the tool itself holds the clipboard,
    // Qt answers from memory.)
    if (QGuiApplication::platformName() == QLatin1String("xcb") && clipboard &&
        !clipboard->ownsClipboard()) {
        const ClipboardOffer offer = askClipboardOwner(ownerAnswerLimit);
        switch (offer.answer) {
        case ClipboardOffer::Answer::NoAnswer:
            result.read = ClipboardPicture::Read::Failed;
            return result;
        case ClipboardOffer::Answer::NoOwner:
            return result;
        case ClipboardOffer::Answer::Targets:
            if (!offersImage(offer.targets))
                return result;
            break;
        case ClipboardOffer::Answer::NoServer:
            break;
        }
    }
#endif
    const QMimeData *data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data || !data->hasImage())
        return result; // nothing that could be a picture
    const QImage image = qvariant_cast<QImage>(data->imageData());
    if (image.isNull())
        return result; // an image format that does not decode
    result.read = ClipboardPicture::Read::Picture;
    result.offersBitmap = true;
    // Converted once here, so every later pixel read is a plain 32-bit load.
    result.image = image.format() == QImage::Format_RGB32
                       ? image
                       : image.convertToFormat(QImage::Format_RGB32);
    return result;
}

bool SystemClipboard::setText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(text, QClipboard::Clipboard);
    return true;
}

} // namespace corvantile
