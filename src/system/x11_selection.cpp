#include "x11_selection.h"

#include <cstring>
#include <vector>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace corvantile {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

QByteArray &displayName()
{
    static QByteArray name;
    return name;
}

// One conversation with the clipboard's owner, on a connection and a window of its own. The
// window hears when its property changes, as an incremental transfer needs.
class Conversation : public SelectionChannel
{
public:
    explicit Conversation(xcb_timestamp_t time = XCB_CURRENT_TIME) : m_time(time)
    {
        if (!ok())
            return;
        clipboard = intern("CLIPBOARD");
        incr = intern("INCR");
        property = intern("CORVANTILE_SELECTION");
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        window = xcb_generate_id(c);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, XCB_CW_EVENT_MASK,
                          &events);
    }
    ~Conversation() override { xcb_disconnect(c); }
    Conversation(const Conversation &) = delete;
    Conversation &operator=(const Conversation &) = delete;

    bool ok() const { return xcb_connection_has_error(c) == 0; }

    bool hasOwner() override
    {
        const XcbReply<xcb_get_selection_owner_reply_t> owner(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr));
        return owner && owner->owner != XCB_NONE;
    }

    bool convert(const QByteArray &targetName, milliseconds limit, const JobProgress &progress,
                 bool &given) override
    {
        const xcb_atom_t target = intern(targetName.constData());
        xcb_convert_selection(c, window, clipboard, target, property, m_time);
        xcb_flush(c);
        // The answer to this request: for this window, selection and target.
        const auto notify = waitFor(
            [&](const xcb_generic_event_t *event) {
                const auto *n = reinterpret_cast<const xcb_selection_notify_event_t *>(event);
                return (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY &&
                       n->requestor == window && n->selection == clipboard && n->target == target;
            },
            limit, &progress);
        given =
            notify &&
            reinterpret_cast<xcb_selection_notify_event_t *>(notify.get())->property == property;
        return notify != nullptr;
    }

    Property takeProperty(const std::function<bool(const char *, qint64)> &take) override
    {
        constexpr uint32_t pieceWords = 1024 * 1024; // 4 MiB
        for (uint32_t offset = 0;;) {
            const XcbReply<xcb_get_property_reply_t> piece(xcb_get_property_reply(
                c,
                xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, offset,
                                 pieceWords),
                nullptr));
            if (!piece)
                return Property::None;
            const int length = xcb_get_property_value_length(piece.get());
            const auto *value = static_cast<const char *>(xcb_get_property_value(piece.get()));
            if (piece->type != incr && !take(value, length))
                return Property::None;
            if (piece->bytes_after == 0)
                return piece->type == incr            ? Property::Incremental
                       : piece->type == XCB_ATOM_ATOM ? Property::Atoms
                       : piece->type == XCB_ATOM_NONE ? Property::None
                                                      : Property::Data;
            offset += static_cast<uint32_t>(length) / 4;
        }
    }

    bool waitForIncrement(milliseconds limit, const JobProgress &progress) override
    {
        return waitFor(
                   [this](const xcb_generic_event_t *event) {
                       const auto *change =
                           reinterpret_cast<const xcb_property_notify_event_t *>(event);
                       return (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                              change->window == window && change->atom == property &&
                              change->state == XCB_PROPERTY_NEW_VALUE;
                   },
                   limit, &progress) != nullptr;
    }

    QStringList atomNames(const QByteArray &list) override
    {
        std::vector<xcb_get_atom_name_cookie_t> cookies;
        for (qsizetype at = 0; at + 4 <= list.size(); at += 4) {
            xcb_atom_t atom;
            std::memcpy(&atom, list.constData() + at, 4);
            cookies.push_back(xcb_get_atom_name(c, atom));
        }
        QStringList names;
        for (const xcb_get_atom_name_cookie_t cookie : cookies) {
            const XcbReply<xcb_get_atom_name_reply_t> name(
                xcb_get_atom_name_reply(c, cookie, nullptr));
            if (name)
                names << QString::fromLatin1(xcb_get_atom_name_name(name.get()),
                                             xcb_get_atom_name_name_length(name.get()));
        }
        return names;
    }

private:
    xcb_atom_t intern(const char *name)
    {
        const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name), nullptr));
        return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    // Waits for an event that `wanted` accepts, up to `limit`, looking at the cancel flag
    // every few dozen milliseconds.
    template <typename Wanted>
    XcbReply<xcb_generic_event_t> waitFor(Wanted wanted, milliseconds limit,
                                          const JobProgress *progress)
    {
        const Clock::time_point deadline = Clock::now() + limit;
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
                if (wanted(event))
                    return XcbReply<xcb_generic_event_t>(event);
                std::free(event);
            }
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || !ok() || (progress && progress->cancelled))
                return nullptr;
            pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
            ::poll(&fd, 1, static_cast<int>(std::min<qint64>(left.count(), 40)));
        }
    }

    xcb_connection_t *c =
        xcb_connect(displayName().isEmpty() ? nullptr : displayName().constData(), nullptr);
    xcb_timestamp_t m_time;
    xcb_window_t window = XCB_NONE;
    xcb_atom_t clipboard = XCB_NONE;
    xcb_atom_t property = XCB_NONE;
    xcb_atom_t incr = XCB_NONE;
};

} // namespace

void useX11Display(const QByteArray &name)
{
    displayName() = name;
}

namespace {

// A socket, connected without blocking to one of the addresses tried in turn; -1 when none
// takes the connection. Connections still under way count as taken: the answer is waited for
// next.
int connectWithoutBlocking(int family, const sockaddr *address, socklen_t length)
{
    const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, address, length) == 0 || errno == EINPROGRESS)
        return fd;
    ::close(fd);
    return -1;
}

int connectToDisplay(const std::string &host, int number)
{
    if (host.empty() || host == "unix") {
        // The abstract name first, as the X library tries them, then the file.
        for (const bool abstract : {true, false}) {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const int length =
                std::snprintf(address.sun_path + (abstract ? 1 : 0), sizeof(address.sun_path) - 1,
                              "/tmp/.X11-unix/X%d", number);
            const auto size = socklen_t(offsetof(sockaddr_un, sun_path) + (abstract ? 1 : 0) +
                                        size_t(length) + (abstract ? 0 : 1));
            if (const int fd = connectWithoutBlocking(
                    AF_UNIX, reinterpret_cast<const sockaddr *>(&address), size);
                fd >= 0)
                return fd;
        }
        if (host.empty())
            return -1;
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (::getaddrinfo(host == "unix" ? "localhost" : host.c_str(),
                      std::to_string(6000 + number).c_str(), &hints, &found) != 0)
        return -1;
    int fd = -1;
    for (const addrinfo *at = found; at && fd < 0; at = at->ai_next)
        fd = connectWithoutBlocking(at->ai_family, at->ai_addr, at->ai_addrlen);
    ::freeaddrinfo(found);
    return fd;
}

// The opening request of an X connection (little-endian, protocol 11.0, no authorisation)
// is sent on a socket of its own, and any answer counts, a refusal too: only a server that
// takes the connection and then says nothing would hold the X library's connect, and the
// toolkit's after it, for ever. The socket is handed back open in `kept` (-1 when there is
// none): a server whose only client leaves resets itself, and would refuse the next one.
bool displayStalls(milliseconds limit, int &kept)
{
    kept = -1;
    const QByteArray name = displayName().isEmpty() ? qgetenv("DISPLAY") : displayName();
    char *host = nullptr;
    int number = 0;
    if (!xcb_parse_display(name.constData(), &host, &number, nullptr))
        return false; // the X library tells what is wrong with the name
    const std::string hostName = host ? host : "";
    std::free(host);
    if (!hostName.empty() && hostName.front() == '/')
        return false; // a socket's own path, as some systems name it
    const int fd = connectToDisplay(hostName, number);
    if (fd < 0)
        return false; // nothing takes the connection: the X library fails at once
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const auto left = [&] {
        return int(std::max<qint64>(
            0, std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now())
                   .count()));
    };
    const unsigned char opening[12] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    pollfd writable{fd, POLLOUT, 0};
    bool stalls = true;
    if (::poll(&writable, 1, left()) == 1) {
        if (writable.revents & (POLLERR | POLLHUP) ||
            ::send(fd, opening, sizeof opening, MSG_NOSIGNAL) != ssize_t(sizeof opening)) {
            stalls = false; // refused: the X library fails at once too
        } else {
            pollfd readable{fd, POLLIN, 0};
            stalls = ::poll(&readable, 1, left()) != 1;
        }
    }
    kept = fd;
    return stalls;
}

} // namespace

bool x11DisplayReachable(milliseconds limit)
{
    int asked = -1;
    const bool stalls = displayStalls(limit, asked);
    // The connection stays open for the program's life: an X server that has no other client
    // resets itself when the last one leaves, and would refuse Qt's connection that follows.
    static xcb_connection_t *probe =
        stalls
            ? nullptr
            : xcb_connect(displayName().isEmpty() ? nullptr : displayName().constData(), nullptr);
    if (asked >= 0)
        ::close(asked);
    return probe && xcb_connection_has_error(probe) == 0;
}

SelectionPicture readSelectionPicture(JobProgress &progress, milliseconds silenceLimit,
                                      quint32 time)
{
    Conversation owner(time);
    if (!owner.ok())
        return {};
    return transferPicture(owner, progress, silenceLimit);
}

std::optional<QString> readSelectionText(JobProgress &progress, milliseconds silenceLimit,
                                         quint32 time)
{
    Conversation owner(time);
    if (!owner.ok())
        return std::nullopt;
    return transferText(owner, progress, silenceLimit);
}

} // namespace corvantile
