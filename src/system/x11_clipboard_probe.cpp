#include "x11_clipboard_probe.h"

#include <QByteArray>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <xcb/xcb.h>

namespace corvantile {
namespace {

using Clock = std::chrono::steady_clock;

struct FreeDeleter
{
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

struct Connection
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    ~Connection() { xcb_disconnect(c); }
    bool ok() const { return xcb_connection_has_error(c) == 0; }
};

xcb_atom_t intern(xcb_connection_t *c, const char *name)
{
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// Waits for the SelectionNotify that answers our request, until the deadline.
XcbReply<xcb_selection_notify_event_t> waitForNotify(xcb_connection_t *c,
                                                     Clock::time_point deadline)
{
    for (;;) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY)
                return XcbReply<xcb_selection_notify_event_t>(
                    reinterpret_cast<xcb_selection_notify_event_t *>(event));
            std::free(event);
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || xcb_connection_has_error(c))
            return nullptr;
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left.count()));
    }
}

} // namespace

ClipboardOffer askClipboardOwner(std::chrono::milliseconds limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    ClipboardOffer offer;
    Connection connection;
    if (!connection.ok())
        return offer;
    xcb_connection_t *c = connection.c;
    const xcb_atom_t clipboard = intern(c, "CLIPBOARD");
    const xcb_atom_t targetsAtom = intern(c, "TARGETS");
    const xcb_atom_t property = intern(c, "CORVANTILE_TARGETS");

    const XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr));
    if (!owner || owner->owner == XCB_NONE) {
        offer.answer = ClipboardOffer::Answer::NoOwner;
        return offer;
    }

    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
    xcb_convert_selection(c, window, clipboard, targetsAtom, property, XCB_CURRENT_TIME);
    xcb_flush(c);

    const auto notify = waitForNotify(c, deadline);
    if (!notify) {
        offer.answer = ClipboardOffer::Answer::NoAnswer;
        return offer;
    }
    offer.answer = ClipboardOffer::Answer::Targets;
    if (notify->property == XCB_NONE)
        return offer; // the owner answered but offers no list

    const XcbReply<xcb_get_property_reply_t> list(xcb_get_property_reply(
        c, xcb_get_property(c, 1, window, property, XCB_ATOM_ATOM, 0, 1024), nullptr));
    if (!list || list->format != 32)
        return offer;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(list.get()));
    const int count = xcb_get_property_value_length(list.get()) / 4;
    std::vector<xcb_get_atom_name_cookie_t> cookies;
    for (int i = 0; i < count; ++i)
        cookies.push_back(xcb_get_atom_name(c, atoms[i]));
    for (const xcb_get_atom_name_cookie_t cookie : cookies) {
        const XcbReply<xcb_get_atom_name_reply_t> name(xcb_get_atom_name_reply(c, cookie, nullptr));
        if (name)
            offer.targets << QString::fromLatin1(xcb_get_atom_name_name(name.get()),
                                                 xcb_get_atom_name_name_length(name.get()));
    }
    return offer;
}

} // namespace corvantile
