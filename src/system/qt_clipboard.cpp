// The clipboard read and written through Qt, as on every system.

#include "qt_clipboard.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>

namespace corvantile {

Clipboard::PictureRead QtClipboard::readThroughQt(bool decodedIsBitmap)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QMimeData *data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data)
        return readGiving({});
    const auto asRead = [decodedIsBitmap](const DecodedPicture &decoded) {
        ClipboardPicture picture = clipboardPicture(decoded);
        picture.offersBitmap = picture.offersBitmap && decodedIsBitmap;
        return picture;
    };
    // One picture format is asked for, PNG first: Qt's own image read would try every format
    // the owner offers in turn, waiting on a stalled owner for each.
    const QString format = pictureFormat(data->formats());
    if (format.isEmpty()) {
        if (!data->hasImage()) // nothing that could be a picture
            return readGiving({});
        // A picture held in this process, or converted by the system.
        const QImage image = qvariant_cast<QImage>(data->imageData());
        return [image, asRead](JobProgress &) { return asRead(takenPicture(image)); };
    }
    QElapsedTimer timer;
    timer.start();
    const QByteArray bytes = data->data(format);
    if (bytes.isEmpty() && timer.elapsed() >= ownerStallLimit.count())
        return readGiving(
            stoppedRead(ReadOutcome::OwnerSilent)); // the owner let Qt's read run out of time
    return [bytes, asRead](JobProgress &progress) {
        progress.done = bytes.size();
        return asRead(decodePicture(bytes, &progress.cancelled));
    };
}

ClipboardPicture pictureOfSelection(const SelectionPicture &selection, JobProgress &progress)
{
    if (selection.outcome != ReadOutcome::Received)
        return {selection.outcome, QImage(), stoppedEarly(selection.outcome)};
    return clipboardPicture(decodePicture(selection.bytes, &progress.cancelled));
}

bool QtClipboard::setText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(text, QClipboard::Clipboard);
    return true;
}

} // namespace corvantile
