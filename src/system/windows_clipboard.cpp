#include "device_bitmap.h"
#include "qt_clipboard.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QThread>
#include <cstring>

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
// file's size and where its pixels begin, after the info header, the colour masks and the
// colour table.
QByteArray bmpFile(const char *dib, SIZE_T size)
{
    if (size < sizeof(BITMAPINFOHEADER))
        return {};
    BITMAPINFOHEADER info;
    std::memcpy(&info, dib, sizeof info);
    if (info.biSize < sizeof info || info.biSize > size)
        return {};
    DWORD colours = info.biClrUsed;
    if (colours == 0 && info.biBitCount <= 8)
        colours = 1u << info.biBitCount;
    const DWORD masks =
        info.biSize == sizeof info && info.biCompression == BI_BITFIELDS ? 3 * sizeof(DWORD) : 0;
    const SIZE_T pixelsAt = sizeof(BITMAPFILEHEADER) + info.biSize + masks + colours * 4;
    if (pixelsAt - sizeof(BITMAPFILEHEADER) > size)
        return {};
    BITMAPFILEHEADER file{};
    file.bfType = 0x4d42; // "BM"
    file.bfSize = static_cast<DWORD>(sizeof file + size);
    file.bfOffBits = static_cast<DWORD>(pixelsAt);
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
    ClipboardPicture readPicture(ReadProgress &progress) override
    {
        if (IsClipboardFormatAvailable(CF_BITMAP) == 0)
            return readThroughQt(progress, false);
        GetAsyncKeyState(VK_ESCAPE); // forgets a press from before the paste
        ClipboardPicture picture =
            runWhileAlive(progress, [] { return decodedPicture(clipboardBitmap()); });
        picture.offersBitmap = true;
        return picture;
    }

protected:
    // Down now, or pressed since the last question.
    bool escapePressed() override
    {
        return QGuiApplication::applicationState() == Qt::ApplicationActive &&
               (GetAsyncKeyState(VK_ESCAPE) & 0x8001) != 0;
    }
};

} // namespace

std::unique_ptr<Clipboard> windowsClipboard()
{
    return std::make_unique<WindowsClipboard>();
}

} // namespace corvantile
