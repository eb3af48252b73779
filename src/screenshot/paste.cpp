// The paste: the clipboard's picture, or picture files, into the screenshot view and the next
// image buffers, through the one picture intake.

#include "controls/accessibility.h"
#include "controls/image_box.h"
#include "controls/picture_box.h"
#include "main_window/form1.h"
#include "screenshot/buffers.h"
#include "screenshot/picture_intake.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QRadioButton>
#include <QTimer>
#include <utility>

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

void Form1::Command1_Click()
{
    if (!modalWindowOpen() && !refusedWhileBusy() && m_intake->pasteClipboard(m_lastInputTime))
        pictureJobStarted(true, QStringLiteral("reading ") + m_intake->reading(), 500);
}

void Form1::openPictures(const QList<PicturePath> &files)
{
    if (!files.isEmpty() && !modalWindowOpen() && !refusedWhileBusy() && m_intake->openFiles(files))
        pictureJobStarted(false, QStringLiteral("reading ") + m_intake->reading(), 500);
}

void Form1::openPicture(const QString &path)
{
    openPictures({PicturePath::fromString(path)});
}

bool Form1::pictureJobRunning() const
{
    return m_job->busy();
}

// No picture comes in while a menu or a modal window of the tool is open (a screen reader may
// still press the paste button then): it would land under the open window.
bool Form1::modalWindowOpen() const
{
    return QApplication::activeModalWidget() || QApplication::activePopupWidget();
}

// Nothing that changes the picture, the buffers or the region starts while a picture is read;
// the user hears why.
bool Form1::refusedWhileBusy()
{
    if (!m_job->busy())
        return false;
    const QString text = QStringLiteral("Still %1: wait, or press Escape to stop").arg(m_jobWhat);
    lblCoords->setText(text);
    announce(text);
    m_refusalShown.start();
    return true;
}

// While a picture is read, or the screenshot searched, the window shows that it is busy and,
// once the job takes a while, how far it got; the status line then gets its text back.
void Form1::pictureJobStarted(bool paste, const QString &what, int progressAfterMs)
{
    m_pasting = paste;
    m_jobWhat = what;
    m_statusAfterJob = lblCoords->text();
    m_refusalShown.invalidate();
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_jobProgress->start(progressAfterMs);
}

void Form1::showJobProgress()
{
    m_jobProgress->setInterval(100);
    if (m_refusalShown.isValid() && m_refusalShown.elapsed() < 1500)
        return; // the refusal stays readable for a moment
    const qint64 bytes = m_job->bytesRead();
    const QString what = m_jobWhat.left(1).toUpper() + m_jobWhat.mid(1);
    lblCoords->setText(
        bytes == 0
            ? what + QStringLiteral("...")
            : QStringLiteral("%1: %2 MB").arg(what, QLocale().toString(bytes / 1e6, 'f', 1)));
}

void Form1::pictureJobFinished(bool cancelled)
{
    m_jobProgress->stop();
    lblCoords->setText(m_statusAfterJob);
    QGuiApplication::restoreOverrideCursor();
    const bool finding = std::exchange(m_finding, false);
    if (!cancelled)
        return;
    // A paste stopped by the user is a read that failed: as for an owner that stopped
    // answering, the buffer counter moves on and nothing is stored.
    if (m_pasting)
        takePicture(failedBitmapTest());
    announce(finding     ? QStringLiteral("Search stopped")
             : m_pasting ? QStringLiteral("Paste stopped")
                         : QStringLiteral("Opening stopped"));
}

void Form1::pictureArrived(const PictureIntake::Arrival &arrival)
{
    if (!arrival.refusal.isEmpty()) {
        m_statusAfterJob = arrival.refusal;
        lblCoords->setText(arrival.refusal);
        announce(arrival.refusal);
        return;
    }
    const ClipboardPicture &picture = arrival.picture;
    takePicture(picture);
    const QString where = picture.offersBitmap && isBufferSlot(state.bufferIndex)
                              ? QStringLiteral("in buffer %1").arg(state.bufferIndex + 1)
                              : QStringLiteral("not kept in a buffer");
    switch (picture.read) {
    case ClipboardPicture::Read::Failed:
        announce(QStringLiteral("Nothing pasted: the clipboard's picture could not be read"));
        break;
    case ClipboardPicture::Read::NoPicture:
        announce(QStringLiteral("Nothing pasted: the clipboard holds no picture"));
        break;
    case ClipboardPicture::Read::Picture:
        announce((arrival.file.isEmpty()
                      ? QStringLiteral("Pasted ")
                      : QStringLiteral("Opened ") + arrival.file + QStringLiteral(", ")) +
                 sizeDescription(picture.image.size()) + QStringLiteral(", ") + where);
        break;
    }
}

void Form1::takePicture(const ClipboardPicture &clip)
{
    clearMatches();
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

// Escape stops a picture read wherever the keyboard is in the tool; the time of each input is
// kept, since an X11 clipboard owner is asked with the time of the click that asked for it.
bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        m_lastInputTime = static_cast<QInputEvent *>(event)->timestamp();
        break;
    case QEvent::KeyPress:
        // Every key counts as input, the ones handled here too: a paste asks the clipboard's
        // owner with the time of the input that asked for it.
        m_lastInputTime = static_cast<QInputEvent *>(event)->timestamp();
        return keyFiltered(watched, *static_cast<QKeyEvent *>(event));
    case QEvent::FocusIn:
        if (const auto slot = std::find(ImgBuffer.begin(), ImgBuffer.end(), watched);
            slot != ImgBuffer.end())
            makeBufferTabStop(static_cast<int>(slot - ImgBuffer.begin()));
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// The keys the window handles before the control they were pressed on; true when one was.
bool Form1::keyFiltered(QObject *watched, const QKeyEvent &key)
{
    // Up and Down move between the option buttons as Left and Right do, as on Windows: Qt
    // looks for a button above or below, and the two stand side by side.
    if ((watched == static_cast<QObject *>(Option1) ||
         watched == static_cast<QObject *>(Option2)) &&
        (key.key() == Qt::Key_Up || key.key() == Qt::Key_Down)) {
        QKeyEvent sideways(QEvent::KeyPress, key.key() == Qt::Key_Up ? Qt::Key_Left : Qt::Key_Right,
                           key.modifiers());
        QApplication::sendEvent(watched, &sideways);
        return true;
    }
    if (bufferKeyPressed(watched, key))
        return true;
    // The paste key in a text box pastes the box's text, but with no text on the clipboard it
    // pastes the screenshot there, as everywhere else in the window: the box would only empty
    // its selection.
    if (key.matches(QKeySequence::Paste)) {
        const auto *box = qobject_cast<QLineEdit *>(watched);
        if (box && box->window() == this && !box->isReadOnly() && !m_clipboard->holdsText()) {
            Command1_Click();
            return true;
        }
    }
    if (key.key() != Qt::Key_Escape)
        return false;
    if (m_job->busy()) {
        m_job->cancel();
        return true;
    }
    // Escape in the main window also takes the outlines of a search away.
    if (!m_matches.empty() && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this)
        clearMatches();
    return false;
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent *event)
{
    const QList<PicturePath> files = droppedFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    openPictures(files);
}

} // namespace corvantile
