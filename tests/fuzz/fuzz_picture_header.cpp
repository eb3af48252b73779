// The picture header reader on any bytes and any picture limit, whole or cut anywhere: an
// answer, once given, never changes as more bytes arrive, and a stream fed in pieces never
// holds more than the header allows. What the stream took is then decoded: a picture comes
// out of the size its header declared, or none. Inputs run to 128 KiB, past the 64 KiB after
// which the stream asks Qt's readers.

#include "system/picture_decode.h"
#include "system/picture_limit.h"
#include "system/picture_stream.h"

#include <QByteArrayView>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace corvantile;

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

// What every answer must be: a declared picture fits the limit and bounds its file; one
// refused for its size does not fit.
void checkSane(const PictureHeader &header)
{
    if (header.says == PictureHeader::Says::Declared)
        check(header.width > 0 && header.height > 0 &&
              fitsPictureLimit(header.width, header.height) && header.mostBytes > 0);
    if (header.overLimit)
        check(header.says == PictureHeader::Says::Refused &&
              !fitsPictureLimit(header.width, header.height));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    // The first two bytes choose the limit, from 1 MiB to 64 GiB; the third, the pieces' size.
    allowPicturesUpTo((1 + qint64(data[0] | data[1] << 8)) * 1024 * 1024);
    const qsizetype piece = 1 + data[2] % 97;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 3, qsizetype(size) - 3);

    PictureHeader first;
    bool answered = false;
    const qsizetype step = std::max<qsizetype>(1, bytes.size() / 64);
    for (qsizetype n = 0; n <= bytes.size(); n += n < 64 ? 1 : step) {
        const PictureHeader header = readKnownPictureHeader(bytes.first(n), false);
        checkSane(header);
        if (answered)
            check(header == first);
        else if (header.says != PictureHeader::Says::NeedMore) {
            first = header;
            answered = true;
        }
    }
    const PictureHeader whole = readKnownPictureHeader(bytes, true);
    checkSane(whole);
    check(whole.says != PictureHeader::Says::NeedMore);
    if (answered)
        check(whole == first);

    PictureStream stream;
    bool taking = true;
    for (qsizetype at = 0; taking && at < bytes.size(); at += piece)
        taking = stream.take(bytes.data() + at, std::min(piece, bytes.size() - at));
    if (taking)
        taking = stream.finish();
    const PictureHeader &judged = stream.header();
    const qint64 held = stream.bytes().size();
    if (judged.says == PictureHeader::Says::Declared)
        check(held <= judged.mostBytes);
    else
        check(!taking || held <= undeclaredBytesLimit);
    if (!taking)
        return 0;
    // Decoded within a limit that keeps a run's memory small.
    allowPicturesUpTo(std::min<qint64>(pictureBytesLimit(), qint64(16) * 1024 * 1024));
    const DecodedPicture decoded = decodePicture(stream.takeBytes());
    if (decoded.outcome == ReadOutcome::Decoded)
        check(decoded.image.format() == QImage::Format_RGB32 &&
              fitsPictureLimit(decoded.image.width(), decoded.image.height()));
    else
        check(decoded.image.isNull());
    return 0;
}
