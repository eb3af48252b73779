#include "picture_stream.h"

#include "picture_limit.h"

#include <algorithm>
#include <new>

namespace corvantile {
namespace {

constexpr qint64 mebibyte = 1024 * 1024;

} // namespace

bool PictureStream::take(const char *data, qint64 length)
{
    if (length < 0)
        return false;
    const bool known = m_header.says == PictureHeader::Says::Declared;
    if (known && m_bytes.size() + length > m_header.mostBytes)
        return false;
    try {
        // Grown as a byte array grows, to twice what it holds, but never past what the picture
        // may hold (or, its size not known yet, the bytes its header must come within): an
        // owner that sends without end is cut at the limit with no more than the limit held.
        const qint64 needed = m_bytes.size() + length;
        if (needed > m_bytes.capacity())
            m_bytes.reserve(std::max(
                needed, std::min(2 * needed, known ? m_header.mostBytes : undeclaredBytesLimit)));
        m_bytes.append(data, length);
    } catch (const std::bad_alloc &) {
        return false;
    }
    if (m_bytesRead)
        *m_bytesRead = m_bytes.size();
    return known || judge(false);
}

bool PictureStream::finish()
{
    return m_header.says == PictureHeader::Says::Declared || judge(true);
}

bool PictureStream::judge(bool complete)
{
    const QByteArrayView head(m_bytes);
    PictureHeader header = readKnownPictureHeader(head, complete && mayBeKnownPicture(head));
    // Another format: Qt's reader is asked for the size from 64 KiB on, and again each time the
    // stream has doubled, so that a slow stream of small pieces is not read over and over.
    if (header.says == PictureHeader::Says::NeedMore && !mayBeKnownPicture(head) &&
        (complete || (head.size() >= 64 * 1024 && head.size() >= 2 * m_askedQtAt))) {
        m_askedQtAt = head.size();
        header = readQtPictureHeader(head, complete);
    }
    m_header = header;
    switch (header.says) {
    case PictureHeader::Says::Refused:
        return false;
    case PictureHeader::Says::NeedMore:
        return !complete && m_bytes.size() < undeclaredBytesLimit;
    case PictureHeader::Says::Declared:
        break;
    }
    if (m_bytes.size() > header.mostBytes)
        return false;
    // Room for the first few pieces; the rest grows as it arrives, so that a header that lies
    // about its size reserves nothing it does not send.
    try {
        m_bytes.reserve(std::min({header.mostBytes, pictureBytesLimit(), 8 * mebibyte}));
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

} // namespace corvantile
