#pragma once

#include "common/job_progress.h"
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

// Reads and decodes a picture file. Only a regular file is read (NotFile for a FIFO, a device or
// a folder), and opening never blocks (a FIFO is refused at once). Its bytes are capped by what
// its header declares, and the read stops (Stopped) soon after progress.cancelled is set; the
// decoding that follows a whole read runs to its end.
DecodedPicture readPictureFile(const PicturePath &path, JobProgress &progress);

} // namespace corvantile
