#pragma once

#include "system/clipboard.h"

#include <QStringList>
#include <atomic>
#include <memory>

namespace corvantile::test {

// A clipboard the test fills by hand. It counts its reads and can be told to fail.
class FakeClipboard : public Clipboard
{
public:
    ClipboardPicture next;   // what the next reads give
    bool failWrites = false; // setText fails and keeps the old text
    QString text;            // the last text written
    int reads = 0;
    quint64 inputTime = 0; // the time of the input that asked for the last read
    int writes = 0;
    // While set, a read (of a picture or of text) waits on its worker until it is cleared or the
    // read is cancelled, as a slow owner would.
    std::shared_ptr<std::atomic<bool>> stalled = std::make_shared<std::atomic<bool>>(false);

    void holdImage(const QImage &image); // a bitmap
    void holdNothing();                  // no picture at all (text only, or empty)
    void holdPictureNotBitmap(const QImage &image);
    void failReads(bool reportsBitmap);

    PictureRead beginRead(quint64 inputTime) override;
    TextRead beginTextRead(quint64 inputTime) override;
    bool setText(const QString &value) override;
};

} // namespace corvantile::test
