#include "device_bitmap.h"
#include "qt_clipboard.h"

#include <QByteArray>
#include <QThread>
#include <optional>

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

// The clipboard's text as Windows keeps it, UTF-16 up to its first NUL and within the
// memory block it is given in. Nothing when the clipboard cannot be opened.
std::optional<QString> clipboardText()
{
    if (!openClipboard())
        return std::nullopt;
    QString text;
    HANDLE data =
        IsClipboardFormatAvailable(CF_UNICODETEXT) ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    if (const auto *units = data ? static_cast<const char16_t *>(GlobalLock(data)) : nullptr) {
        const auto most = static_cast<qsizetype>(GlobalSize(data) / sizeof(char16_t));
        qsizetype length = 0;
        while (length < most && units[length] != 0)
            ++length;
        text = QString::fromUtf16(units, length);
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
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

    // Read by the worker, like the bitmap.
    TextRead beginTextRead(quint64) override
    {
        return [](JobProgress &) { return clipboardText(); };
    }
};

} // namespace

std::unique_ptr<Clipboard> windowsClipboard()
{
    return std::make_unique<WindowsClipboard>();
}

} // namespace corvantile
