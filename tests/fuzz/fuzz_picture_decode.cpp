// The decoding of whole picture files, as they come from the clipboard or from disk, on any
// bytes: it never crashes, and what it gives is either a whole picture within the limit, as
// RGB32, or a refusal with no picture.

#define CORVANTILE_FUZZ_PICTURE_LIMIT
#include "fuzz_input.h"
#include "system/picture_decode.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

using namespace corvantile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const DecodedPicture decoded = decodePicture(bytes);
    switch (decoded.outcome) {
    case ReadOutcome::Decoded:
        if (decoded.image.isNull() || decoded.image.format() != QImage::Format_RGB32 ||
            !fitsPictureLimit(decoded.image.width(), decoded.image.height()))
            std::abort();
        break;
    case ReadOutcome::NotPicture:
    case ReadOutcome::TooLarge:
    case ReadOutcome::Damaged:
    case ReadOutcome::NoMemory:
        if (!decoded.image.isNull())
            std::abort();
        break;
    default: // the decoder says nothing of owners, files or windows
        std::abort();
    }
    return 0;
}
