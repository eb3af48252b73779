// The paste: the clipboard's picture, or a picture file, into the screenshot view and the next
// image buffer.

#include "controls/accessibility.h"
#include "controls/image_box.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "screenshot/buffers.h"
#include "system/clipboard.h"
#include "system/picture_limit.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QTimer>

namespace corvantile {
namespace {

// The local picture file among what is dragged, if any.
QString droppedFile(const QMimeData *data)
{
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    return urls.size() == 1 && urls.first().isLocalFile() ? urls.first().toLocalFile() : QString();
}

} // namespace

void Form1::Command1_Click()
{
    // While the clipboard is read the window shows that it is busy and, once the read takes
    // a while, how far it got; the status line then gets its text back.
    ReadProgress progress;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QString status = lblCoords->text();
    QTimer progressShown;
    connect(&progressShown, &QTimer::timeout, this, [&] {
        progressShown.setInterval(100);
        const qint64 bytes = progress.bytesRead;
        lblCoords->setText(bytes == 0 ? QStringLiteral("Reading the clipboard...")
                                      : QStringLiteral("Reading the clipboard: %1 MB")
                                            .arg(QLocale().toString(bytes / 1e6, 'f', 1)));
    });
    progressShown.start(500);
    // The clipboard is read once: the picture for the view, and the same (shared) picture for
    // the buffer slot. Asking a slow owner twice would double the wait for nothing.
    const ClipboardPicture picture = clipboard().readPicture(progress);
    progressShown.stop();
    lblCoords->setText(status);
    QGuiApplication::restoreOverrideCursor();
    takePicture(picture);
    switch (picture.read) {
    case ClipboardPicture::Read::Failed:
        announce(QStringLiteral("Nothing pasted: the clipboard's picture could not be read"));
        break;
    case ClipboardPicture::Read::NoPicture:
        announce(QStringLiteral("Nothing pasted: the clipboard holds no picture"));
        break;
    case ClipboardPicture::Read::Picture:
        announce(QStringLiteral("Pasted %1, ").arg(sizeDescription(picture.image.size())) +
                 (picture.offersBitmap && isBufferSlot(state.bufferIndex)
                      ? QStringLiteral("in buffer %1").arg(state.bufferIndex + 1)
                      : QStringLiteral("not kept in a buffer")));
        break;
    }
}

void Form1::takePicture(const ClipboardPicture &clip)
{
    PicInner->setAutoRedraw(true);

    // The view shows whatever the read gave, and is blank when it gave no picture; a read that
    // failed leaves the view as it was. A new size re-ranges the bars inside this call.
    if (clip.read != ClipboardPicture::Read::Failed)
        PicInner->setPicture(clip.image);

    if (clip.offersBitmap) {
        state.bufferIndex = raisedBufferIndex(state.bufferIndex);
        // Past the eighth slot the picture is stored nowhere, and the counter stays raised.
        if (clip.read == ClipboardPicture::Read::Picture && isBufferSlot(state.bufferIndex)) {
            const auto slot = static_cast<size_t>(state.bufferIndex);
            ImgBuffer[slot]->setPicture(clip.image);
            // Compressed by a worker while the view shows the picture.
            m_buffers[slot] = StoredPicture(clip.image);
        }
    }

    PicInner->setAutoRedraw(false);
}

// A picture file is taken as a pasted bitmap. One that is no picture, or too large, changes
// nothing but the status line, which says so.
void Form1::openPicture(const QString &path)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    const QString name = QFileInfo(path).fileName();
    if (!reader.canRead()) {
        lblCoords->setText(QStringLiteral("Not a picture: ") + name);
        return;
    }
    if (size.isValid() && !fitsPictureLimit(size.width(), size.height())) {
        lblCoords->setText(QStringLiteral("Too large to open: ") + name);
        return;
    }
    const ClipboardPicture picture = decodedPicture(reader.read());
    if (picture.read != ClipboardPicture::Read::Picture) {
        lblCoords->setText(QStringLiteral("Could not read: ") + name);
        return;
    }
    takePicture(picture);
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent *event)
{
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    openPicture(path);
}

} // namespace corvantile
