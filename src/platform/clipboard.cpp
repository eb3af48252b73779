#include "clipboard.h"

#ifdef CORVANTILE_HAS_XCB
#include "x11_clipboard_probe.h"
#endif
#ifdef Q_OS_WIN
#include "windows_clipboard.h"
#endif

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QMimeDatabase>
#include <algorithm>
#include <climits>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace corvantile {
namespace {

qint64 pictureBytesLimit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;

qint64 physicalMemoryBytes()
{
#ifdef Q_OS_WIN
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullTotalPhys) : 0;
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : 0;
#endif
}

} // namespace

void allowPicturesUpTo(qint64 bytes)
{
    const qint64 memory = physicalMemoryBytes();
    qint64 limit = memory > 0 ? std::min(bytes, memory / 4) : bytes;
    // Qt counts its limit in whole megabytes, so it is rounded down to one.
    const qint64 megabytes = std::clamp<qint64>(limit / (1024 * 1024), 1, INT_MAX);
    QImageReader::setAllocationLimit(static_cast<int>(megabytes));
    pictureBytesLimit = megabytes * 1024 * 1024;
}

ClipboardPicture SystemClipboard::readPicture()
{
    ClipboardPicture result;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return result;
    // A Wayland compositor hands the clipboard only to the window that has the keyboard focus;
    // without it Qt sees an empty clipboard. A click that activates the window may arrive just
    // before the focus does, so the focus is waited for a moment (taking no user input
    // meanwhile); still without it, the read fails rather than report "no picture".
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        QElapsedTimer waited;
        waited.start();
        while (!QGuiApplication::focusWindow() && waited.elapsed() < focusWaitLimit.count())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        if (!QGuiApplication::focusWindow()) {
            result.read = ClipboardPicture::Read::Failed;
            return result;
        }
    }
#ifdef CORVANTILE_HAS_XCB
    // Another program's clipboard on X11 is asked first, once and with a limit: an owner that
    // does not answer makes the read fail at once instead of freezing the window, and one
    // that offers no picture is not asked for one. (When the tool itself holds the clipboard,
    // Qt answers from memory.)
    if (QGuiApplication::platformName() == QLatin1String("xcb") && !clipboard->ownsClipboard()) {
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
    }
#endif
    const QMimeData *data = clipboard->mimeData();
    if (!data)
        return result;
#ifdef Q_OS_WIN
    // Windows names its bitmap: the standard bitmap format, number 2. It is read as the
    // device-independent bitmap Windows keeps with it. A picture in another format (a PNG
    // alone, say) is read through Qt below, shown, and not kept in a buffer.
    if (windowsClipboardOffersBitmap()) {
        ClipboardPicture picture = decodedPicture(windowsClipboardBitmap());
        picture.offersBitmap = true;
        return picture;
    }
    const auto notABitmap = [](ClipboardPicture picture) {
        picture.offersBitmap = false;
        return picture;
    };
#else
    const auto notABitmap = [](ClipboardPicture picture) { return picture; };
#endif
    // One picture format is asked for, PNG first: Qt's own image read would try every format
    // the owner offers in turn, waiting on a stalled owner for each.
    const QString format = pictureFormat(data->formats());
    if (format.isEmpty()) {
        if (data->hasImage()) // a picture held in this process, or converted by the system
            return notABitmap(decodedPicture(qvariant_cast<QImage>(data->imageData())));
        return result; // nothing that could be a picture
    }
    QElapsedTimer timer;
    timer.start();
    const QByteArray bytes = data->data(format);
    if (bytes.isEmpty() && timer.elapsed() >= ownerStallLimit.count()) {
        // The owner let Qt's read run out of time: the bitmap test failed, as above.
        result.read = ClipboardPicture::Read::Failed;
        result.offersBitmap = true;
        return result;
    }
    return notABitmap(decodedPicture(QImage::fromData(
        bytes, QMimeDatabase().mimeTypeForName(format).preferredSuffix().toLatin1())));
}

QString pictureFormat(const QStringList &offered)
{
    if (offered.contains(QLatin1String("image/png")))
        return QStringLiteral("image/png");
    const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    for (const QString &format : offered)
        if (format.startsWith(QLatin1String("image/")) && readable.contains(format.toLatin1()))
            return format;
    return QString();
}

ClipboardPicture decodedPicture(const QImage &image)
{
    ClipboardPicture result;
    // A picture is offered, but it did not decode (corrupt, empty, or over the limit), or it
    // would not fit the limit once it has four bytes a pixel: a failed read, which leaves the
    // view and the buffers as they are.
    result.read = ClipboardPicture::Read::Failed;
    if (image.isNull() || qint64(image.width()) * image.height() * 4 > pictureBytesLimit)
        return result;
    // Converted once here, so every later pixel read is a plain 32-bit load.
    result.image = image.format() == QImage::Format_RGB32
                       ? image
                       : image.convertToFormat(QImage::Format_RGB32);
    if (result.image.isNull())
        return result; // no memory for the conversion
    result.read = ClipboardPicture::Read::Picture;
    result.offersBitmap = true;
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
