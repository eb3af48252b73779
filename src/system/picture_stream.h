#pragma once

#include "system/picture_header.h"

#include <QByteArray>
#include <QtGlobal>
#include <atomic>

namespace corvantile {

// Collects a picture's bytes as they arrive from another program or a file, refusing them as
// soon as they cannot be a picture the tool would take: no picture header, a picture over the
// limit, or more bytes than it can need. Nothing is reserved before the header has been
// checked, and no more than the picture limit then; an allocation that fails refuses.
class PictureStream
{
public:
    // bytesRead, when given, follows how many bytes have come.
    explicit PictureStream(std::atomic<qint64> *bytesRead = nullptr) : m_bytesRead(bytesRead) {}

    // Adds a piece; false when the stream is refused from here on.
    bool take(const char *data, qint64 length);
    // The whole stream has come: false when it holds no picture the tool would take.
    bool finish();

    const PictureHeader &header() const { return m_header; }
    // The bytes so far, left in the stream.
    const QByteArray &bytes() const { return m_bytes; }
    // Hands the bytes over; the stream is empty afterwards.
    QByteArray takeBytes() { return std::move(m_bytes); }

private:
    bool judge(bool complete);

    std::atomic<qint64> *m_bytesRead;
    QByteArray m_bytes;
    PictureHeader m_header;
    qint64 m_askedQtAt = 0;
};

} // namespace corvantile
