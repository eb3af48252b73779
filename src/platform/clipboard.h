#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <chrono>

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

// The clipboard as the tool uses it. Tests stand in their own to make reads and writes fail.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    // Reads the picture and answers the bitmap test in one go, asking the clipboard's owner as
    // few questions as possible.
    virtual ClipboardPicture readPicture() = 0;
    // Puts text on the clipboard as plain text. Returns false when it could not.
    virtual bool setText(const QString &text) = 0;
};

// Lets pictures of up to `bytes` decoded bytes (at four bytes a pixel) be read: Qt's own
// default refuses anything over 128 MB, which an 8K screenshot nearly reaches. The bound
// never exceeds a quarter of the machine's memory, since a pasted picture is held about three
// times over (decoded, shown, drawn on).
void allowPicturesUpTo(qint64 bytes);

// The one picture format to ask an owner for, of those it offers: PNG first, then the first
// other image format Qt decodes; empty when it offers none.
QString pictureFormat(const QStringList &offered);

// What a read gives for the picture that the clipboard offered and Qt decoded (a null image
// when it did not decode).
ClipboardPicture decodedPicture(const QImage &image);

// The system clipboard, through the application's QClipboard.
class SystemClipboard : public Clipboard
{
public:
    // How long another program that holds the clipboard may take to say what it offers.
    static constexpr std::chrono::milliseconds ownerAnswerLimit{2000};
    // A picture read that gives nothing after this long ran into the platform's own time
    // limit (one second on Wayland): the owner did not answer.
    static constexpr std::chrono::milliseconds ownerStallLimit{900};
    // How long a paste waits for the keyboard focus that a Wayland clipboard needs.
    static constexpr std::chrono::milliseconds focusWaitLimit{500};

    ClipboardPicture readPicture() override;
    bool setText(const QString &text) override;
};

} // namespace corvantile
