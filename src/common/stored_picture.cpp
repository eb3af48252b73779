#include "stored_picture.h"

#include <QByteArray>
#include <QMutex>
#include <QThreadPool>
#include <QWaitCondition>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#define QOI_IMPLEMENTATION
#include <qoi.h>

namespace corvantile {
namespace {

// QOI, then deflate at its fastest level: QOI takes one pass over the pixels each way and
// makes a screenshot several times smaller; deflate finds what QOI cannot, the same runs of
// bytes again and again (text, window frames), and about halves it once more, for a little
// more time on the worker and a quarter of QOI's time to unpack. The four bytes of a pixel
// are kept in the order a 32-bit picture holds them. The picture is cut into bands of whole
// rows, each compressed on its own: QOI takes no more than 400 million pixels at once, a
// band's working memory stays small (16 MiB unpacked), and a pass over the bands can unpack
// the next while it looks at this one.
constexpr qint64 bandPixels = qint64(1) << 22;

int bandRows(int width)
{
    return int(std::max<qint64>(1, bandPixels / std::max(width, 1)));
}

// Compresses band by band; stops, with nothing, as soon as `stop` says so between two bands.
QList<QByteArray> compress(const QImage &picture, const std::function<bool()> &stop)
{
    if (picture.format() != QImage::Format_RGB32 || picture.bytesPerLine() != picture.width() * 4)
        return {};
    QList<QByteArray> bands;
    const int rows = bandRows(picture.width());
    for (int top = 0; top < picture.height(); top += rows) {
        if (stop())
            return {};
        const int height = std::min(rows, picture.height() - top);
        const qoi_desc desc{static_cast<unsigned>(picture.width()), static_cast<unsigned>(height),
                            4, QOI_SRGB};
        int length = 0;
        void *packed = qoi_encode(picture.constScanLine(top), &desc, &length);
        if (!packed)
            return {}; // no memory
        QByteArray deflated;
        try {
            deflated = qCompress(static_cast<const uchar *>(packed), length, 1);
        } catch (const std::bad_alloc &) {
        }
        std::free(packed);
        if (deflated.isEmpty())
            return {}; // no memory
        bands << deflated;
    }
    return bands;
}

// One band, decoded into memory the picture owns and frees; a null picture when the band
// cannot be decoded or is not `width` wide.
QImage decodeBand(const QByteArray &band, int width)
{
    const QByteArray qoi = qUncompress(band);
    if (qoi.isEmpty())
        return {};
    qoi_desc desc{};
    void *pixels = qoi_decode(qoi.constData(), static_cast<int>(qoi.size()), &desc, 4);
    if (!pixels)
        return {};
    if (desc.width != unsigned(width)) {
        std::free(pixels);
        return {};
    }
    return QImage(
        static_cast<uchar *>(pixels), int(desc.width), int(desc.height), qsizetype(desc.width) * 4,
        QImage::Format_RGB32, [](void *memory) { std::free(memory); }, pixels);
}

// Work done on a second thread while the caller goes on with its own; when no thread can be
// started, finish() does the work on the caller's thread instead. The thread is joined however
// the caller's scope ends.
class SecondThread
{
public:
    explicit SecondThread(std::function<void()> work) : m_work(std::move(work))
    {
        try {
            m_thread.emplace(m_work);
        } catch (const std::system_error &) {
        }
    }
    ~SecondThread()
    {
        if (m_thread && m_thread->joinable())
            m_thread->join();
    }
    SecondThread(const SecondThread &) = delete;
    SecondThread &operator=(const SecondThread &) = delete;

    // Waits for the work; with no thread, does it here unless `wanted` says it is not needed.
    void finish(bool wanted = true)
    {
        if (m_thread)
            m_thread->join();
        else if (wanted)
            m_work();
    }

private:
    std::function<void()> m_work;
    std::optional<std::thread> m_thread;
};

// The bands are unpacked two at a time, every other one on a second thread, so that a
// picture brought back from its buffer takes about half as long; on one thread when no second
// one can be started.
QImage decompress(const QList<QByteArray> &bands, QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    if (picture.isNull())
        return {};
    const int rows = bandRows(size.width());
    // Taken once here: the two threads write their rows through it and never touch the
    // picture itself.
    uchar *const bits = picture.bits();
    std::atomic<bool> whole = true;
    const auto unpack = [&](qsizetype first) {
        for (qsizetype band = first; band < bands.size() && whole; band += 2) {
            const QImage pixels = decodeBand(bands[band], size.width());
            const qint64 top = band * qint64(rows);
            if (pixels.isNull() || pixels.height() != std::min<qint64>(rows, size.height() - top)) {
                whole = false;
                return;
            }
            std::memcpy(bits + top * picture.bytesPerLine(), pixels.constBits(),
                        size_t(pixels.width()) * size_t(pixels.height()) * 4);
        }
    };
    if (bands.size() > 1) {
        SecondThread second([&] { unpack(1); });
        unpack(0);
        second.finish();
    } else {
        unpack(0);
    }
    return whole ? picture : QImage();
}

// Pictures are compressed one at a time, on a thread of their own: never on Qt's global pool,
// which the painter waits on, and never two at once, each with a picture held raw meanwhile.
// The one thread, once made, stays for the program's life: it never ends at an unknown moment,
// the program's own end included.
QThreadPool &compressionPool()
{
    static QThreadPool *pool = [] {
        auto *made = new QThreadPool;
        made->setMaxThreadCount(1);
        made->setExpiryTimeout(-1);
        return made;
    }();
    return *pool;
}

// Compressions that stopped, or never began, because their picture was dropped first.
std::atomic<int> abandoned{0};

} // namespace

struct StoredPicture::State
{
    mutable QMutex mutex;
    QWaitCondition finished;
    QSize size;
    QImage raw;               // until the compressed copy is made, or when it cannot be
    QList<QByteArray> packed; // the compressed copy, band by band
    bool working = true;
};

StoredPicture::StoredPicture(const QImage &picture)
{
    if (picture.isNull())
        return;
    m_state = std::make_shared<State>();
    m_state->size = picture.size();
    m_state->raw = picture;
    // The worker does not keep the picture alive: once every copy of it is gone (its buffer
    // was replaced or deleted), the compression stops at the next band.
    compressionPool().start([weak = std::weak_ptr<State>(m_state)] {
        QImage raw;
        if (const std::shared_ptr<State> state = weak.lock()) {
            QMutexLocker lock(&state->mutex);
            raw = state->raw;
        }
        QList<QByteArray> packed = compress(raw, [&weak] { return weak.expired(); });
        raw = QImage();
        const std::shared_ptr<State> state = weak.lock();
        if (!state) {
            ++abandoned;
            return;
        }
        QMutexLocker lock(&state->mutex);
        if (!packed.isEmpty()) {
            state->packed = std::move(packed);
            state->raw = QImage();
        }
        state->working = false;
        state->finished.wakeAll();
    });
}

int StoredPicture::compressionsAbandoned()
{
    return abandoned;
}

void StoredPicture::waitForCompression()
{
    compressionPool().waitForDone();
}

QSize StoredPicture::size() const
{
    return m_state ? m_state->size : QSize();
}

QImage StoredPicture::picture() const
{
    if (!m_state)
        return {};
    QList<QByteArray> packed;
    {
        QMutexLocker lock(&m_state->mutex);
        if (m_state->packed.isEmpty())
            return m_state->raw;
        packed = m_state->packed; // shared, not copied
    }
    return decompress(packed, m_state->size);
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

bool StoredPicture::forEachBand(const std::function<bool(const QImage &, int)> &take) const
{
    if (!m_state)
        return true;
    QList<QByteArray> packed;
    QImage raw;
    {
        QMutexLocker lock(&m_state->mutex);
        raw = m_state->raw; // shared, not copied
        packed = m_state->packed;
    }
    if (packed.isEmpty())
        return take(raw, 0);
    // Bands go two at a time: while `take` looks at two, the next two are unpacked on two more
    // threads, so that a pass costs about what unpacking on two threads does, and `take` comes
    // almost free; one after the other where no thread starts.
    const int width = m_state->size.width(), rows = bandRows(width);
    const qsizetype count = packed.size();
    const QList<QByteArray> &bands = packed; // read from three threads: never detached
    using Two = std::array<QImage, 2>;
    using Threads = std::array<std::optional<SecondThread>, 2>;
    const auto unpackTwo = [&bands, count, width](qsizetype first, Two &into, Threads &threads) {
        for (int i = 0; i < 2; ++i)
            if (first + i < count)
                threads[i].emplace([&bands, &into, first, i, width] {
                    into[i] = decodeBand(bands[first + i], width);
                });
    };
    Two now;
    {
        Threads threads;
        unpackTwo(0, now, threads);
        for (std::optional<SecondThread> &thread : threads)
            if (thread)
                thread->finish();
    }
    for (qsizetype first = 0; first < count; first += 2) {
        Two next;
        Threads ahead; // joined before `next` goes
        unpackTwo(first + 2, next, ahead);
        bool goesOn = true;
        for (int i = 0; i < 2 && goesOn && first + i < count; ++i)
            goesOn = !now[i].isNull() && take(now[i], int((first + i) * rows));
        for (std::optional<SecondThread> &thread : ahead)
            if (thread)
                thread->finish(goesOn);
        if (!goesOn)
            return false;
        now = std::move(next);
    }
    return true;
}

} // namespace corvantile
