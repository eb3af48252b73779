#include "fake_clipboard.h"

#include <QThread>

namespace corvantile::test {

void FakeClipboard::holdImage(const QImage &image)
{
    next = {ReadOutcome::Decoded, image.convertToFormat(QImage::Format_RGB32), true};
}

void FakeClipboard::holdNothing()
{
    next = {ReadOutcome::NoPicture, QImage(), false};
}

void FakeClipboard::holdPictureNotBitmap(const QImage &image)
{
    next = {ReadOutcome::Decoded, image.convertToFormat(QImage::Format_RGB32), false};
}

void FakeClipboard::failReads(bool reportsBitmap)
{
    next = {reportsBitmap ? ReadOutcome::OwnerSilent : ReadOutcome::Refused, QImage(),
            reportsBitmap};
}

Clipboard::PictureRead FakeClipboard::beginRead(quint64 time)
{
    ++reads;
    inputTime = time;
    return [picture = next, stalled = stalled](JobProgress &progress) {
        while (*stalled && !progress.cancelled)
            QThread::msleep(2);
        return picture;
    };
}

// The text as Qt's clipboard holds it, given late while stalled.
Clipboard::TextRead FakeClipboard::beginTextRead(quint64)
{
    return [text = readText(), stalled = stalled](JobProgress &progress) -> std::optional<QString> {
        while (*stalled && !progress.cancelled)
            QThread::msleep(2);
        if (progress.cancelled)
            return std::nullopt;
        return text;
    };
}

bool FakeClipboard::setText(const QString &value)
{
    ++writes;
    if (failWrites)
        return false;
    text = value;
    return true;
}

} // namespace corvantile::test
