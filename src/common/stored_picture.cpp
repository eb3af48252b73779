#include "stored_picture.h"

#include <QByteArray>
#include <QMutex>
#include <QThreadPool>
#include <QWaitCondition>
#include <cstdlib>

#define QOI_IMPLEMENTATION
#include <qoi.h>

namespace corvantile {
namespace {

// QOI: one pass over the pixels each way, several times smaller than the raw pixels for a
// screenshot, and fast to decode. The four bytes of a pixel are kept in the order a 32-bit
// picture holds them.
QByteArray compress(const QImage &picture)
{
    if (picture.format() != QImage::Format_RGB32 || picture.bytesPerLine() != picture.width() * 4)
        return {};
    const qoi_desc desc{static_cast<unsigned>(picture.width()),
                        static_cast<unsigned>(picture.height()), 4, QOI_SRGB};
    int length = 0;
    void *packed = qoi_encode(picture.constBits(), &desc, &length);
    if (!packed)
        return {}; // too large for the format, or no memory
    QByteArray bytes(static_cast<const char *>(packed), length);
    std::free(packed);
    return bytes;
}

QImage decompress(const QByteArray &bytes)
{
    qoi_desc desc{};
    void *pixels = qoi_decode(bytes.constData(), static_cast<int>(bytes.size()), &desc, 4);
    if (!pixels)
        return {};
    return QImage(
        static_cast<uchar *>(pixels), static_cast<int>(desc.width), static_cast<int>(desc.height),
        static_cast<qsizetype>(desc.width) * 4, QImage::Format_RGB32, [](void *p) { std::free(p); },
        pixels);
}

} // namespace

struct StoredPicture::State
{
    mutable QMutex mutex;
    QWaitCondition finished;
    QSize size;
    QImage raw;        // until the compressed copy is made, or when it cannot be
    QByteArray packed; // the compressed copy
    bool working = true;
};

StoredPicture::StoredPicture(const QImage &picture)
{
    if (picture.isNull())
        return;
    m_state = std::make_shared<State>();
    m_state->size = picture.size();
    m_state->raw = picture;
    // The worker holds the state too, so that the compression may outlive this picture.
    QThreadPool::globalInstance()->start([state = m_state] {
        QImage raw;
        {
            QMutexLocker lock(&state->mutex);
            raw = state->raw;
        }
        QByteArray packed = compress(raw);
        QMutexLocker lock(&state->mutex);
        if (!packed.isEmpty()) {
            state->packed = std::move(packed);
            state->raw = QImage();
        }
        state->working = false;
        state->finished.wakeAll();
    });
}

QSize StoredPicture::size() const
{
    return m_state ? m_state->size : QSize();
}

QImage StoredPicture::picture() const
{
    if (!m_state)
        return {};
    QByteArray packed;
    {
        QMutexLocker lock(&m_state->mutex);
        if (m_state->packed.isEmpty())
            return m_state->raw;
        packed = m_state->packed; // shared, not copied
    }
    return decompress(packed);
}

bool StoredPicture::isCompressed(bool wait) const
{
    if (!m_state)
        return false;
    QMutexLocker lock(&m_state->mutex);
    while (wait && m_state->working)
        m_state->finished.wait(&m_state->mutex);
    return !m_state->packed.isEmpty();
}

} // namespace corvantile
