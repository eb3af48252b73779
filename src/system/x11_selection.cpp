#include "x11_selection.h"

#include "picture_limit.h"

#include <cstdlib>
#include <memory>
#include <poll.h>
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

// One conversation with the clipboard's owner, on a connection and a window of its own. The
// window hears when its property changes, as an incremental transfer needs.
class Conversation
{
public:
    Conversation()
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
    ~Conversation() { xcb_disconnect(c); }
    Conversation(const Conversation &) = delete;
    Conversation &operator=(const Conversation &) = delete;

    bool ok() const { return xcb_connection_has_error(c) == 0; }

    bool hasOwner()
    {
        const XcbReply<xcb_get_selection_owner_reply_t> owner(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr));
        return owner && owner->owner != XCB_NONE;
    }

    // Asks the owner to convert the clipboard to `target`. Returns whether it answered within
    // the limit, and in `given` whether it gave the property.
    bool convert(xcb_atom_t target, milliseconds limit, const ReadProgress *progress, bool &given)
    {
        xcb_convert_selection(c, window, clipboard, target, property, XCB_CURRENT_TIME);
        xcb_flush(c);
        const auto notify = waitFor(
            [this](const xcb_generic_event_t *event) {
                return (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY &&
                       reinterpret_cast<const xcb_selection_notify_event_t *>(event)->requestor ==
                           window;
            },
            limit, progress);
        given =
            notify && reinterpret_cast<xcb_selection_notify_event_t *>(notify.get())->property != 0;
        return notify != nullptr;
    }

    // Reads the property in pieces, handing each to `take`, and deletes it. Returns its type,
    // or none when it could not be read or `take` refused a piece.
    template <typename Take> xcb_atom_t takeProperty(Take take)
    {
        constexpr uint32_t pieceWords = 1024 * 1024; // 4 MiB
        for (uint32_t offset = 0;;) {
            const XcbReply<xcb_get_property_reply_t> piece(xcb_get_property_reply(
                c,
                xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, offset,
                                 pieceWords),
                nullptr));
            if (!piece)
                return XCB_NONE;
            const int length = xcb_get_property_value_length(piece.get());
            const auto *value = static_cast<const char *>(xcb_get_property_value(piece.get()));
            if (piece->type != incr && !take(value, length))
                return XCB_NONE;
            if (piece->bytes_after == 0)
                return piece->type;
            offset += static_cast<uint32_t>(length) / 4;
        }
    }

    // Waits for the owner's next increment, up to `limit` of silence.
    bool waitForIncrement(milliseconds limit, const ReadProgress &progress)
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

    xcb_atom_t intern(const char *name)
    {
        const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name), nullptr));
        return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    QStringList atomNames(const xcb_atom_t *atoms, int count)
    {
        std::vector<xcb_get_atom_name_cookie_t> cookies;
        for (int i = 0; i < count; ++i)
            cookies.push_back(xcb_get_atom_name(c, atoms[i]));
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

    xcb_atom_t incr = XCB_NONE;

private:
    // Waits for an event that `wanted` accepts, up to `limit`, looking at the cancel flag
    // every few dozen milliseconds.
    template <typename Wanted>
    XcbReply<xcb_generic_event_t> waitFor(Wanted wanted, milliseconds limit,
                                          const ReadProgress *progress)
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

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    xcb_window_t window = XCB_NONE;
    xcb_atom_t clipboard = XCB_NONE;
    xcb_atom_t property = XCB_NONE;
};

// Asks for TARGETS and reads the list.
ClipboardOffer offerOf(Conversation &owner, milliseconds limit, const ReadProgress *progress)
{
    ClipboardOffer offer;
    if (!owner.ok())
        return offer;
    if (!owner.hasOwner()) {
        offer.answer = ClipboardOffer::Answer::NoOwner;
        return offer;
    }
    bool given = false;
    if (!owner.convert(owner.intern("TARGETS"), limit, progress, given)) {
        offer.answer = ClipboardOffer::Answer::NoAnswer;
        return offer;
    }
    offer.answer = ClipboardOffer::Answer::Targets;
    QByteArray list;
    if (given && owner.takeProperty([&list](const char *value, int length) {
            list.append(value, length);
            return list.size() <= 64 * 1024;
        }) == XCB_ATOM_ATOM)
        offer.targets = owner.atomNames(reinterpret_cast<const xcb_atom_t *>(list.constData()),
                                        int(list.size() / 4));
    return offer;
}

// Collects the picture's bytes, refusing them as soon as they cannot be a picture the tool
// would take: no picture header, a picture over the limit, or more bytes than it can need.
class PictureBytes
{
public:
    explicit PictureBytes(ReadProgress &progress) : m_progress(progress) {}

    bool take(const char *data, int length)
    {
        if (m_most >= 0 && m_bytes.size() + length > m_most)
            return false;
        m_bytes.append(data, length);
        m_progress.bytesRead = m_bytes.size();
        return m_most >= 0 || judge(false);
    }

    // The whole stream has come: a picture whose header is still unknown is none.
    bool finish() { return m_most >= 0 || judge(true); }

    QByteArray bytes() { return std::move(m_bytes); }

private:
    bool judge(bool complete)
    {
        const PictureHeader header = readPictureHeader(m_bytes, complete);
        if (header.says == PictureHeader::Says::Refused)
            return false;
        if (header.says == PictureHeader::Says::Declared) {
            m_most = header.mostBytes;
            if (m_bytes.size() > m_most)
                return false;
            // Room for the whole picture at once: growing by doubling would hold it twice.
            m_bytes.reserve(m_most);
        }
        return true;
    }

    ReadProgress &m_progress;
    QByteArray m_bytes;
    qint64 m_most = -1;
};

} // namespace

ClipboardOffer askClipboardOwner(milliseconds limit)
{
    Conversation owner;
    return offerOf(owner, limit, nullptr);
}

SelectionPicture readSelectionPicture(ReadProgress &progress, milliseconds silenceLimit)
{
    using Outcome = SelectionPicture::Outcome;
    SelectionPicture result;
    Conversation owner;
    const ClipboardOffer offer = offerOf(owner, silenceLimit, &progress);
    switch (offer.answer) {
    case ClipboardOffer::Answer::NoServer:
        return result;
    case ClipboardOffer::Answer::NoOwner:
        result.outcome = Outcome::NoPicture;
        return result;
    case ClipboardOffer::Answer::NoAnswer:
        result.outcome = Outcome::Stalled;
        return result;
    case ClipboardOffer::Answer::Targets:
        break;
    }
    const QString format = pictureFormat(offer.targets);
    result.outcome = Outcome::NoPicture;
    if (format.isEmpty())
        return result;

    bool given = false;
    result.outcome = Outcome::Stalled;
    if (!owner.convert(owner.intern(format.toLatin1().constData()), silenceLimit, &progress, given))
        return result;
    result.outcome = Outcome::Refused;
    PictureBytes picture(progress);
    const auto take = [&picture](const char *data, int length) {
        return picture.take(data, length);
    };
    const xcb_atom_t type = given ? owner.takeProperty(take) : xcb_atom_t(XCB_ATOM_NONE);
    if (type == XCB_ATOM_NONE)
        return result;
    if (type == owner.incr) {
        // The owner sends increments, each one after the last was taken, and an empty one at
        // the end.
        for (;;) {
            if (!owner.waitForIncrement(silenceLimit, progress)) {
                result.outcome = Outcome::Stalled;
                return result;
            }
            int length = 0;
            if (owner.takeProperty([&](const char *data, int piece) {
                    length += piece;
                    return picture.take(data, piece);
                }) == XCB_ATOM_NONE)
                return result;
            if (length == 0)
                break;
        }
    }
    if (!picture.finish())
        return result;
    result.outcome = Outcome::Bytes;
    result.bytes = picture.bytes();
    return result;
}

} // namespace corvantile
