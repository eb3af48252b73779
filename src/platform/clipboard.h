#pragma once

#include <QImage>
#include <QString>
#include <chrono>

namespace corvantile {

// What one read of the clipboard's picture gives.
struct ClipboardPicture
{
    enum class Read { Failed, NoPicture, Picture };
    Read read = Read::NoPicture;
    // The picture, converted to RGB32 when it came from a bitmap.
    QImage image;
    // Whether the clipboard offers a bitmap (a raster image that decodes). A failed bitmap test
    // is reported as "offers a bitmap": the paste then goes on as if one were there.
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

// The system clipboard, through the application's QClipboard.
class SystemClipboard : public Clipboard
{
public:
    // How long another program that holds the clipboard may take to say what it offers.
    static constexpr std::chrono::milliseconds ownerAnswerLimit{2000};

    ClipboardPicture readPicture() override;
    bool setText(const QString &text) override;
};

} // namespace corvantile
