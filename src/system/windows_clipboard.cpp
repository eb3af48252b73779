#include "device_bitmap.h"
#include "dib_layout.h"
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

// A device-independent bitmap in memory becomes a BMP file by a file header in front: the
// file's size and where its rows begin, after the info header, the colour masks and the
// colour table.
QByteArray bmpFile(const char *dib, SIZE_T size)
{
    const std::optional<DibLayout> layout =
        readDibLayout(reinterpret_cast<const uchar *>(dib), qint64(size));
    if (!layout || layout->pixelsAt > qint64(size))
        return {};
    BITMAPFILEHEADER file{};
    file.bfType = 0x4d42; // "BM"
    file.bfSize = static_cast<DWORD>(sizeof file + size);
    file.bfOffBits = static_cast<DWORD>(sizeof file + layout->pixelsAt);
    QByteArray bytes(reinterpret_cast<const char *>(&file), sizeof file);
    bytes.append(dib, static_cast<qsizetype>(size));
    return bytes;
}

// The clipboard's bitmap, read as the device-independent bitmap that Windows keeps with it:
// the fifth version of it when offered (what browsers and most programs put there), else the
// first. One the decoder cannot read (a compressed one) goes through Qt's BMP reader. A null
// image when the clipboard cannot be opened or read.
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
        image = decodeDeviceBitmap(QByteArray::fromRawData(dib, size));
        if (image.isNull())
            image = QImage::fromData(bmpFile(dib, GlobalSize(data)), "BMP");
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
