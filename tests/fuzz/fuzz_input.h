#pragma once

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace corvantile::fuzz {

// Reads a fuzz target's input front to back; past its end everything is 0.
struct Reader
{
    const uint8_t *data;
    size_t size;
    size_t at = 0;

    bool over() const { return at >= size; }
    int byte() { return at < size ? data[at++] : 0; }
    int uint16() { return byte() | byte() << 8; }
    int16_t int16() { return static_cast<int16_t>(uint16()); }
    // Up to `count` of the bytes that are left.
    QByteArray take(size_t count)
    {
        count = std::min(count, size - std::min(at, size));
        const QByteArray bytes(reinterpret_cast<const char *>(data + at), qsizetype(count));
        at += count;
        return bytes;
    }
};

} // namespace corvantile::fuzz

// The readers of outside bytes are fuzzed under a picture limit of 64 MiB, so that no input
// can make one allocate more than a fuzzing run allows.
#ifdef CORVANTILE_FUZZ_PICTURE_LIMIT
#include "system/picture_limit.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    corvantile::allowPicturesUpTo(64 * 1024 * 1024);
    return 0;
}
#endif
