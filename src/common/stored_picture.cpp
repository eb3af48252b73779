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

// The one way bands are unpacked: two at a time, each of a pair on a thread of its own, so
// that a pass costs about half of unpacking on one thread; one after the other where no
// thread starts. With `inOrder`, `take` gets the bands one at a time from the top on the
// caller's thread (it may keep counts across bands), while the next two are unpacked beside
// it. Without, each thread hands its band to `take` as soon as it is unpacked, two at once,
// and `take` must touch only its band's rows. Stops as soon as `take` returns false or a band
// cannot be unpacked, and is false then.
bool unpackBands(const QList<QByteArray> &bands, QSize size, bool inOrder,
                 const std::function<bool(const QImage &band, int top)> &take)
{
    const int rows = bandRows(size.width());
    const qsizetype count = bands.size();
    std::atomic<bool> goesOn = true;
    const auto handOver = [&](const QImage &band, qsizetype index) {
        const int top = int(index * rows);
        return !band.isNull() && band.height() == std::min(rows, size.height() - top) &&
               take(band, top);
    };
    using Two = std::array<QImage, 2>;
    using Threads = std::array<std::optional<SecondThread>, 2>;
    const auto unpackTwo = [&](qsizetype first, Two &into, Threads &threads) {
        for (int i = 0; i < 2; ++i)
            if (first + i < count)
                threads[i].emplace([&, first, i] {
                    try {
                        into[i] = decodeBand(bands[first + i], size.width());
                        if (!inOrder && !(goesOn && handOver(into[i], first + i)))
                            goesOn = false;
                    } catch (const std::bad_alloc &) {
                        goesOn = false;
                    }
                    if (!inOrder)
                        into[i] = QImage();
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
    for (qsizetype first = 0; first < count && goesOn; first += 2) {
        Two next;
        Threads ahead; // joined before `next` goes
        unpackTwo(first + 2, next, ahead);
        for (int i = 0; inOrder && i < 2 && goesOn && first + i < count; ++i)
            goesOn = handOver(now[i], first + i);
        for (std::optional<SecondThread> &thread : ahead)
            if (thread)
                thread->finish(goesOn);
        now = std::move(next);
    }
    return goesOn;
}

// The whole picture, its bands unpacked straight into their rows.
QImage decompress(const QList<QByteArray> &bands, QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    if (picture.isNull())
        return {};
    // Taken once here: the two threads write their rows through it and never touch the
    // picture itself.
    uchar *const bits = picture.bits();
    const qsizetype line = picture.bytesPerLine();
    const bool whole = unpackBands(bands, size, false, [bits, line](const QImage &band, int top) {
        std::memcpy(bits + top * line, band.constBits(),
                    size_t(band.width()) * size_t(band.height()) * 4);
        return true;
    });
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
    return unpackBands(packed, m_state->size, true, take);
}

} // namespace corvantile
