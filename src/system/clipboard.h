#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>

namespace corvantile {

// What one read of the clipboard's picture gives.
struct ClipboardPicture
{
    // Failed: the clipboard could not be read, or it offers a picture that cannot be decoded
    // or held; the view keeps what it shows. NoPicture: it holds no picture at all.
    enum class Read { Failed, NoPicture, Picture };
    Read read = Read::NoPicture;
    // The picture, converted to RGB32 when it came from a bitmap.
    QImage image;
    // Whether the clipboard offers a bitmap (a raster image that decodes). When the bitmap test
    // itself fails (the owner does not answer in time), this is true and the read failed: the
    // paste then goes on as if a bitmap were there, and stores nothing.
    bool offersBitmap = false;
};

// What a read shares with the window while it runs: how far it got, and whether the user
// cancelled it (which makes it a failed read). The read itself may run on another thread.
struct ReadProgress
{
    std::atomic<qint64> bytesRead{0};
    std::atomic<bool> cancelled{false};
};

// A read whose bitmap test failed: the owner stopped answering, or the user cancelled. That
// skips only the test: the paste goes on as if a bitmap were there, and its read fails.
inline ClipboardPicture failedBitmapTest()
{
    return {ClipboardPicture::Read::Failed, QImage(), true};
}

// The clipboard as the tool uses it. Tests stand in their own to make reads and writes fail.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    // Reads the picture and answers the bitmap test in one go, asking the clipboard's owner as
    // few questions as possible. The window keeps repainting meanwhile; user input waits
    // until the read is over, except Escape, which cancels it.
    virtual ClipboardPicture readPicture(ReadProgress &progress) = 0;
    // Puts text on the clipboard as plain text. Returns false when it could not.
    virtual bool setText(const QString &text) = 0;
};

// The one picture format to ask an owner for, of those it offers: PNG first, then the first
// other image format Qt decodes; empty when it offers none.
QString pictureFormat(const QStringList &offered);

// What a read gives for the picture that the clipboard offered and Qt decoded (a null image
// when it did not decode).
ClipboardPicture decodedPicture(const QImage &image);

// The clipboard of the system the program runs on, with the reader made for that system.
std::unique_ptr<Clipboard> systemClipboard();

} // namespace corvantile
