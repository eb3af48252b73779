#include "fake_clipboard.h"

namespace corvantile::test {

void FakeClipboard::holdImage(const QImage &image)
{
    next = {ClipboardPicture::Read::Picture, image.convertToFormat(QImage::Format_RGB32), true};
}

void FakeClipboard::holdNothing()
{
    next = {ClipboardPicture::Read::NoPicture, QImage(), false};
}

void FakeClipboard::holdPictureNotBitmap(const QImage &image)
{
    next = {ClipboardPicture::Read::Picture, image.convertToFormat(QImage::Format_RGB32), false};
}

void FakeClipboard::failReads(bool reportsBitmap)
{
    next = {ClipboardPicture::Read::Failed, QImage(), reportsBitmap};
}

ClipboardPicture FakeClipboard::readPicture(ReadProgress &)
{
    ++reads;
    return next;
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
