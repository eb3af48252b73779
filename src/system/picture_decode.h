#pragma once

#include "system/read_outcome.h"

#include <QByteArray>
#include <QImage>
#include <QStringList>
#include <atomic>

namespace corvantile {

// What the bytes of a picture file, from the clipboard or from disk, decode to.
// Picture: image holds the whole picture, as RGB32; else NotPicture, TooLarge, Damaged or
// NoMemory says why there is none.
struct DecodedPicture
{
    ReadOutcome outcome = ReadOutcome::NotPicture;
    QImage image;
};

// Decodes a whole picture file. Its size is judged from its header before anything is
// allocated for its pixels, and a picture that the decoder reports damaged (a truncated or
// corrupt JPEG, a PNG with a bad checksum or missing data, a bitmap whose rows are cut short)
// is refused rather than shown half grey. The decoder stops at its next read of the bytes
// once `cancelled` is set, or once it has reported damage (Stopped, Damaged). Safe to call on
// any thread.
DecodedPicture decodePicture(const QByteArray &bytes, const std::atomic<bool> *cancelled = nullptr);

// Puts in place, once, the watch on Qt's decoders' warnings that tells a damaged picture: the
// process's message handler, changed on the window thread before any decode runs elsewhere.
// Every decode makes sure of it too.
void watchDecoderDamage();

// The one picture format to ask an owner for, of those it offers: PNG first, then the first
// other image format Qt decodes; empty when it offers none.
QString pictureFormat(const QStringList &offered);

// A picture already held in memory (put on the clipboard by this process, say), converted to
// RGB32 once and held to the same limit.
DecodedPicture takenPicture(const QImage &image);

} // namespace corvantile
