#include "qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#ifdef CORVANTILE_HAS_WAYLAND_CLIENT
#include <QtWaylandClient/QWaylandClientExtensionTemplate>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <qpa/qplatformnativeinterface.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>
#include <wayland-client-protocol.h>
#endif

namespace corvantile {
namespace {

#ifdef CORVANTILE_HAS_WAYLAND_CLIENT

// One global of the compositor, bound on Qt's own connection when the compositor announces it.
template <const wl_interface *Interface, typename Proxy, int MostVersion>
class BoundGlobal
    : public QWaylandClientExtensionTemplate<BoundGlobal<Interface, Proxy, MostVersion>>
{
public:
    BoundGlobal() : QWaylandClientExtensionTemplate<BoundGlobal>(MostVersion)
    {
        // The globals are known once the window system is up: bind at once rather than on the
        // next turn of the event loop, so that the selection is followed from the start.
        QWaylandClientExtension::initialize();
    }
    ~BoundGlobal() override
    {
        if (m_proxy)
            wl_proxy_destroy(reinterpret_cast<wl_proxy *>(m_proxy));
    }

    static const wl_interface *interface() { return Interface; }
    void init(wl_registry *registry, int id, int version)
    {
        m_proxy = static_cast<Proxy *>(wl_registry_bind(registry, static_cast<uint32_t>(id),
                                                        Interface, static_cast<uint32_t>(version)));
    }
    Proxy *proxy() const { return m_proxy; }

private:
    Proxy *m_proxy = nullptr;
};

// A pipe's end that is closed with the last copy of the read that holds it.
struct PipeEnd
{
    explicit PipeEnd(int fd) : fd(fd) {}
    PipeEnd(const PipeEnd &) = delete;
    PipeEnd &operator=(const PipeEnd &) = delete;
    ~PipeEnd() { ::close(fd); }
    // Whether the writer has closed its end without writing anything.
    bool endedEmpty() const
    {
        pollfd waiting{fd, POLLIN, 0};
        int waitingBytes = 0;
        return ::poll(&waiting, 1, 0) == 1 && (waiting.revents & POLLHUP) != 0 &&
               ::ioctl(fd, FIONREAD, &waitingBytes) == 0 && waitingBytes == 0;
    }
    const int fd;
};

// Qt's connection to the compositor.
wl_display *qtDisplay()
{
    QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
    return native ? static_cast<wl_display *>(
                        native->nativeResourceForIntegration(QByteArrayLiteral("wl_display")))
                  : nullptr;
}

// The clipboard's selection as a data device of the tool's own sees it: the compositor tells
// every data device of the window with the keyboard focus what the clipboard offers, Qt's and
// this one alike. The data is then asked for into a pipe, which a worker reads with the tool's
// own limits, so that an owner that stalls or floods never holds up the window.
class SelectionDevice
{
public:
    SelectionDevice()
    {
        if (!m_manager.proxy() || !m_seat.proxy())
            return;
        m_device = wl_data_device_manager_get_data_device(m_manager.proxy(), m_seat.proxy());
        static const wl_data_device_listener listener = {
            &SelectionDevice::dataOffer, &SelectionDevice::enter, &SelectionDevice::leave,
            &SelectionDevice::motion,    &SelectionDevice::drop,  &SelectionDevice::selection,
        };
        wl_data_device_add_listener(m_device, &listener, this);
    }
    ~SelectionDevice()
    {
        m_offers.clear();
        if (m_device)
            wl_data_device_destroy(m_device);
    }
    SelectionDevice(const SelectionDevice &) = delete;
    SelectionDevice &operator=(const SelectionDevice &) = delete;

    // Whether the compositor gave the tool a data device of its own.
    bool works() const { return m_device != nullptr; }
    // What the clipboard offers; empty when it holds nothing.
    QStringList offered() const { return m_selection ? m_selection->formats : QStringList(); }
    bool holdsSelection() const { return m_selection != nullptr; }

    // Asks the clipboard's owner to write its data in `format` into a pipe, and gives the pipe's
    // reading end; nothing when the compositor did not pass the request on. That is learnt
    // with one round trip to the compositor, on a queue of the tool's own so that none of Qt's
    // events are handled here: some compositors (Weston) serve only the offer they made last,
    // which is Qt's own data device's, and close the pipe at once for this one. Only the
    // compositor is waited on, never the owner.
    std::shared_ptr<PipeEnd> receive(const QString &format) const
    {
        wl_display *display = qtDisplay();
        int ends[2];
        if (!m_selection || !display || ::pipe2(ends, O_CLOEXEC) != 0)
            return nullptr;
        wl_data_offer_receive(m_selection->proxy, format.toUtf8().constData(), ends[1]);
        ::close(ends[1]);
        auto pipe = std::make_shared<PipeEnd>(ends[0]);
        wl_event_queue *queue = wl_display_create_queue(display);
        const bool answered = queue && wl_display_roundtrip_queue(display, queue) >= 0;
        if (queue)
            wl_event_queue_destroy(queue);
        if (!answered || pipe->endedEmpty())
            return nullptr;
        return pipe;
    }

private:
    struct Offer
    {
        explicit Offer(wl_data_offer *proxy) : proxy(proxy) {}
        Offer(const Offer &) = delete;
        Offer &operator=(const Offer &) = delete;
        ~Offer() { wl_data_offer_destroy(proxy); }
        wl_data_offer *const proxy;
        QStringList formats;
    };

    // Drops every offer but `kept`: a new selection replaces the old, and a drag's offer is of
    // no use once the drag has left.
    void keepOnly(const Offer *kept)
    {
        std::erase_if(m_offers, [kept](const auto &offer) { return offer.get() != kept; });
    }
    Offer *offerOf(wl_data_offer *proxy) const
    {
        for (const auto &offer : m_offers)
            if (offer->proxy == proxy)
                return offer.get();
        return nullptr;
    }

    static void dataOffer(void *data, wl_data_device *, wl_data_offer *proxy)
    {
        auto *self = static_cast<SelectionDevice *>(data);
        self->m_offers.push_back(std::make_unique<Offer>(proxy));
        static const wl_data_offer_listener listener = {
            [](void *offer, wl_data_offer *, const char *format) {
                static_cast<Offer *>(offer)->formats.append(QString::fromUtf8(format));
            },
            [](void *, wl_data_offer *, uint32_t) {}, // the drag's source actions
            [](void *, wl_data_offer *, uint32_t) {}, // the drag's chosen action
        };
        wl_data_offer_add_listener(proxy, &listener, self->m_offers.back().get());
    }
    static void selection(void *data, wl_data_device *, wl_data_offer *proxy)
    {
        auto *self = static_cast<SelectionDevice *>(data);
        self->m_selection = proxy ? self->offerOf(proxy) : nullptr;
        self->keepOnly(self->m_selection);
    }
    static void leave(void *data, wl_data_device *)
    {
        auto *self = static_cast<SelectionDevice *>(data);
        self->keepOnly(self->m_selection);
    }
    // Drags are Qt's own data device's business.
    static void enter(void *, wl_data_device *, uint32_t, wl_surface *, wl_fixed_t, wl_fixed_t,
                      wl_data_offer *)
    {}
    static void motion(void *, wl_data_device *, uint32_t, wl_fixed_t, wl_fixed_t) {}
    static void drop(void *, wl_data_device *) {}

    BoundGlobal<&wl_data_device_manager_interface, wl_data_device_manager, 3> m_manager;
    BoundGlobal<&wl_seat_interface, wl_seat, 1> m_seat;
    wl_data_device *m_device = nullptr;
    std::vector<std::unique_ptr<Offer>> m_offers;
    Offer *m_selection = nullptr;
};

// The text formats an owner may offer, best first; only STRING is Latin-1.
const char *const textFormats[] = {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain",
                                   "STRING"};

#endif

// A Wayland compositor hands the clipboard only to the window that has the keyboard focus;
// without it the clipboard looks empty. The bytes are read by the tool itself through a pipe,
// on the worker, with the same limits as on X11. Where the compositor gives no data device of
// the tool's own, they are fetched through Qt, which gives up on an owner that stays silent
// for a second, and only their decoding leaves the window's thread.
class WaylandClipboard : public QtClipboard
{
public:
    bool readyToRead() override { return QGuiApplication::focusWindow() != nullptr; }

    PictureRead beginRead(quint64) override
    {
        // Still without the focus after the wait: the read fails rather than report "no
        // picture".
        if (!QGuiApplication::focusWindow())
            return readGiving({ReadOutcome::Refused, QImage(), false});
#ifdef CORVANTILE_HAS_WAYLAND_CLIENT
        if (readsItself()) {
            const QString format = pictureFormat(m_device.offered());
            if (format.isEmpty())
                return readGiving({}); // no picture on offer
            // A request the compositor did not pass on is asked again through Qt.
            const std::shared_ptr<PipeEnd> pipe = m_device.receive(format);
            if (pipe)
                return [pipe](JobProgress &progress) {
                    const SelectionPicture selection =
                        collectPicture(progress, piecesOf(*pipe, progress));
                    return pictureOfSelection(selection, progress);
                };
        }
#endif
        return readThroughQt(true);
    }

    TextRead beginTextRead(quint64 inputTime) override
    {
#ifdef CORVANTILE_HAS_WAYLAND_CLIENT
        if (readsItself()) {
            const QStringList offered = m_device.offered();
            for (const char *format : textFormats) {
                if (!offered.contains(QLatin1String(format)))
                    continue;
                const std::shared_ptr<PipeEnd> pipe = m_device.receive(QLatin1String(format));
                if (!pipe)
                    return Clipboard::beginTextRead(inputTime); // asked again through Qt
                const bool latin1 = qstrcmp(format, "STRING") == 0;
                return [pipe, latin1](JobProgress &progress) -> std::optional<QString> {
                    const std::optional<QByteArray> bytes =
                        collectText(progress, piecesOf(*pipe, progress));
                    if (!bytes)
                        return std::nullopt;
                    return latin1 ? QString::fromLatin1(*bytes) : QString::fromUtf8(*bytes);
                };
            }
            return [](JobProgress &) { return std::optional<QString>(QString()); };
        }
#endif
        return Clipboard::beginTextRead(inputTime);
    }

#ifdef CORVANTILE_HAS_WAYLAND_CLIENT
private:
    // The owner's pipe, piece by piece, with the same limits as on X11.
    static PieceRead piecesOf(const PipeEnd &pipe, JobProgress &progress)
    {
        return [&pipe, &progress](const TakePiece &take) {
            return readPipe(pipe.fd, progress, ownerSilenceLimit, take);
        };
    }

    // Whether the tool reads the owner itself: it has its own data device, and the clipboard is
    // another program's (Qt answers the tool's own from memory).
    bool readsItself() const
    {
        const QClipboard *clipboard = QGuiApplication::clipboard();
        return m_device.works() && m_device.holdsSelection() && clipboard &&
               !clipboard->ownsClipboard();
    }

    SelectionDevice m_device;
#endif
};

} // namespace

std::unique_ptr<Clipboard> waylandClipboard()
{
    return std::make_unique<WaylandClipboard>();
}

} // namespace corvantile
