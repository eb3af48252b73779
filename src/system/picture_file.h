#pragma once

#include "clipboard.h"
#include "picture_decode.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace corvantile {

// A file named by the user: the bytes the system names it by (which need not be UTF-8 on
// Linux), and the name to show.
struct PicturePath
{
    QByteArray native;
    QString shown;

    static PicturePath fromArgument(const char *argument);
    static PicturePath fromUrl(const QUrl &url); // a local file's URL
    static PicturePath fromString(const QString &path);
};

// What reading a picture file gave.
struct PictureFileRead
{
    enum class Outcome {
        Picture,    // decoded.image holds it
        NotFile,    // a FIFO, a device or a folder: not opened for reading
        Unreadable, // missing, or the system would not let it be read
        Refused,    // read, and decoded.outcome says why it was not taken
        Cancelled,
    };
    Outcome outcome = Outcome::Unreadable;
    DecodedPicture decoded;
};

// Reads and decodes a picture file. Only a regular file is read, and opening never blocks (a
// FIFO is refused at once). Its bytes are capped by what its header declares, and the read
// stops soon after progress.cancelled is set.
PictureFileRead readPictureFile(const PicturePath &path, ReadProgress &progress);

} // namespace corvantile
