#include "clipboard.h"

#include "picture_limit.h"
#include "platform.h"
#include "qt_clipboard.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QMimeDatabase>
#include <QTimer>
#include <thread>

namespace corvantile {

std::unique_ptr<Clipboard> systemClipboard()
{
    switch (windowSystem()) {
    case WindowSystem::X11:
#ifdef CORVANTILE_HAS_XCB
        return x11Clipboard();
#else
        break;
#endif
    case WindowSystem::Wayland:
        return waylandClipboard();
    case WindowSystem::Windows:
#ifdef Q_OS_WIN
        return windowsClipboard();
#else
        break;
#endif
    case WindowSystem::Other:
        break;
    }
    return std::make_unique<QtClipboard>();
}

ClipboardPicture QtClipboard::readThroughQt(ReadProgress &progress, bool decodedIsBitmap)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QMimeData *data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data)
        return {};
    const auto asRead = [decodedIsBitmap](ClipboardPicture picture) {
        picture.offersBitmap = picture.offersBitmap && decodedIsBitmap;
        return picture;
    };
    // One picture format is asked for, PNG first: Qt's own image read would try every format
    // the owner offers in turn, waiting on a stalled owner for each.
    const QString format = pictureFormat(data->formats());
    if (format.isEmpty()) {
        if (data->hasImage()) // a picture held in this process, or converted by the system
            return asRead(decodedPicture(qvariant_cast<QImage>(data->imageData())));
        return {}; // nothing that could be a picture
    }
    QElapsedTimer timer;
    timer.start();
    QByteArray bytes = data->data(format);
    if (bytes.isEmpty() && timer.elapsed() >= ownerStallLimit.count())
        return failedBitmapTest(); // the owner let Qt's read run out of time
    progress.bytesRead = bytes.size();
    const QByteArray suffix = QMimeDatabase().mimeTypeForName(format).preferredSuffix().toLatin1();
    return runWhileAlive(progress, [&] {
        const ClipboardPicture picture = asRead(decodedPicture(QImage::fromData(bytes, suffix)));
        bytes.clear();
        return picture;
    });
}

ClipboardPicture QtClipboard::runWhileAlive(ReadProgress &progress,
                                            const std::function<ClipboardPicture()> &work)
{
    QEventLoop loop;
    std::atomic<bool> done{false};
    ClipboardPicture result;
    std::thread worker([&] {
        result = work();
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // Escape is looked for often enough that a cancel feels immediate.
    QTimer escape;
    QObject::connect(&escape, &QTimer::timeout, &loop, [&] {
        if (escapePressed())
            progress.cancelled = true;
    });
    escape.start(40);
    while (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    return progress.cancelled ? failedBitmapTest() : result;
}

bool QtClipboard::setText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(text, QClipboard::Clipboard);
    return true;
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
    if (image.isNull() || !fitsPictureLimit(image.width(), image.height()))
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

} // namespace corvantile
