// Picture files dropped on the window are opened as that many pastes would take them.

#include "main_window/form1.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

namespace corvantile {
namespace {

// The local files among what is dragged, in the order given.
QList<PicturePath> droppedFiles(const QMimeData *data)
{
    QList<PicturePath> files;
    for (const QUrl &url : data ? data->urls() : QList<QUrl>())
        if (url.isLocalFile())
            files << PicturePath::fromUrl(url);
    return files;
}

} // namespace

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

// A drop while a picture is read or searched is refused in words, and the program it came from
// is told that nothing was taken.
void Form1::dropEvent(QDropEvent *event)
{
    const QList<PicturePath> files = droppedFiles(event->mimeData());
    if (files.isEmpty() || modalWindowOpen() || refusedWhileBusy()) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    openPictures(files);
}

} // namespace corvantile
