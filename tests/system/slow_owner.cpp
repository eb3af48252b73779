// A clipboard owner for the tests that sends its data as slowly, as much or as little as told:
//   slow_owner TARGET FILE TOTAL CHUNK INTERVAL_MS
// It offers TARGET and sends the file's bytes, then made-up bytes up to TOTAL (0: the file
// alone), incrementally, CHUNK bytes at a time, each INTERVAL_MS after the last was taken.
// A negative interval never answers the request for the data. It prints "ready" once it owns
// the clipboard.

#include "xcb_owner.h"
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include <xcb/xcb.h>

namespace {

xcb_connection_t *c;

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 6)
        return 2;
    // Read in one go: byte by byte, a 100 MB picture took seconds in a sanitized build.
    std::ifstream file(argv[2], std::ios::binary | std::ios::ate);
    std::vector<char> head(static_cast<size_t>(std::max<std::streamoff>(file.tellg(), 0)));
    file.seekg(0);
    if (!file.read(head.data(), static_cast<std::streamsize>(head.size())))
        return 2;
    uint64_t total = std::strtoull(argv[3], nullptr, 10);
    if (total == 0)
        total = head.size();
    const size_t chunk = std::strtoull(argv[4], nullptr, 10);
    const long interval = std::strtol(argv[5], nullptr, 10);

    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
    const xcb_atom_t clipboard = intern(c, "CLIPBOARD");
    const xcb_atom_t targets = intern(c, "TARGETS");
    const xcb_atom_t incr = intern(c, "INCR");
    const xcb_atom_t target = intern(c, argv[1]);
    xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
    xcb_flush(c);
    std::printf("ready\n");
    std::fflush(stdout);

    xcb_selection_request_event_t sending{}; // the transfer under way
    uint64_t sent = 0;
    bool started = false;
    std::vector<char> piece(chunk);
    uint32_t noise = 2463534242u;
    while (xcb_generic_event_t *event = xcb_wait_for_event(c)) {
        const int type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_REQUEST) {
            const auto request = *reinterpret_cast<xcb_selection_request_event_t *>(event);
            if (request.target == targets) {
                const xcb_atom_t offered[] = {targets, target};
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    XCB_ATOM_ATOM, 32, 2, offered);
                notify(c, request, request.property);
            } else if (request.target == target && interval >= 0) {
                // An incremental transfer: the requestor deletes the INCR property to start it.
                const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(c, request.requestor, XCB_CW_EVENT_MASK, &events);
                const auto size = static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    incr, 32, 1, &size);
                notify(c, request, request.property);
                sending = request;
                sent = 0;
                started = false;
            } else if (request.target != target) {
                notify(c, request, XCB_ATOM_NONE);
            }
        } else if (type == XCB_PROPERTY_NOTIFY) {
            const auto *change = reinterpret_cast<xcb_property_notify_event_t *>(event);
            if (change->window == sending.requestor && change->atom == sending.property &&
                change->state == XCB_PROPERTY_DELETE && sending.requestor != XCB_NONE) {
                if (started)
                    std::this_thread::sleep_for(std::chrono::milliseconds(interval));
                started = true;
                const auto length = static_cast<size_t>(std::min<uint64_t>(chunk, total - sent));
                for (size_t i = 0; i < length; ++i, ++sent) {
                    noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
                    piece[i] = sent < head.size() ? head[sent] : char(noise);
                }
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, sending.requestor, sending.property,
                                    target, 8, static_cast<uint32_t>(length), piece.data());
                xcb_flush(c);
                if (length == 0)
                    sending.requestor = XCB_NONE; // the empty piece ends the transfer
            }
        }
        std::free(event);
    }
    return 0;
}
