#include "device_bitmap.h"
#include "qt_clipboard.h"

#include <QByteArray>
#include <QThread>

#include <windows.h>

namespace corvantile {

namespace {

// Another program may hold the clipboard open for a moment; it is asked again a few times.
bool openClipboard()
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(nullptr))
            return true;
        QThread::msleep(20);
    }
    return false;
}

// The clipboard's bitmap, read as the device-independent bitmap that Windows keeps with it:
// the fifth version of it when offered (what browsers and most programs put there), else the
// first. A null image when the clipboard cannot be opened or read, or its bitmap is damaged.
QImage clipboardBitmap()
{
    if (!openClipboard())
        return {};
    QImage image;
    for (const UINT format : {UINT(CF_DIBV5), UINT(CF_DIB)}) {
        HANDLE data = IsClipboardFormatAvailable(format) ? GetClipboardData(format) : nullptr;
        const auto *dib = data ? static_cast<const char *>(GlobalLock(data)) : nullptr;
        if (!dib)
            continue;
        const auto size = static_cast<qsizetype>(GlobalSize(data));
        image = decodeClipboardBitmap(QByteArray::fromRawData(dib, size));
        GlobalUnlock(data);
        if (!image.isNull())
            break;
    }
    CloseClipboard();
    return image;
}

// Windows names its bitmap: the standard bitmap format, number 2, which it offers for every
// device-independent bitmap as well. A picture in another format (a PNG alone, say) is read
// through Qt, shown, and not kept in a buffer.
class WindowsClipboard : public QtClipboard
{
public:
    PictureRead beginRead(quint64) override
    {
        if (IsClipboardFormatAvailable(CF_BITMAP) == 0)
            return readThroughQt(false);
        // Opened again by the worker: the clipboard is not held while the window runs.
        return [](JobProgress &) {
            ClipboardPicture picture = clipboardPicture(takenPicture(clipboardBitmap()));
            picture.offersBitmap = true;
            return picture;
        };
    }
};

} // namespace

std::unique_ptr<Clipboard> windowsClipboard()
{
    return std::make_unique<WindowsClipboard>();
}

} // namespace corvantile
