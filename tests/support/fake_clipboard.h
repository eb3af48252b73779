#pragma once

#include "system/clipboard.h"

#include <QStringList>

namespace corvantile::test {

// A clipboard the test fills by hand. It counts its reads and can be told to fail.
class FakeClipboard : public Clipboard
{
public:
    ClipboardPicture next;   // what the next reads give
    bool failWrites = false; // setText fails and keeps the old text
    QString text;            // the last text written
    int reads = 0;
    int writes = 0;

    void holdImage(const QImage &image); // a bitmap
    void holdNothing();                  // no picture at all (text only, or empty)
    void holdPictureNotBitmap(const QImage &image);
    void failReads(bool reportsBitmap);

    ClipboardPicture readPicture(ReadProgress &progress) override;
    bool setText(const QString &value) override;
};

} // namespace corvantile::test
