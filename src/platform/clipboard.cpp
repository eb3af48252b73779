#include "clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace corvantile {

ClipboardPicture SystemClipboard::readPicture()
{
    ClipboardPicture result;
    QClipboard *clipboard = QGuiApplication::clipboard();
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
