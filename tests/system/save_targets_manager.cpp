// A minimal clipboard manager for the tests: it owns CLIPBOARD_MANAGER and, when a program
// that holds the clipboard asks it to SAVE_TARGETS on its way out, copies the clipboard's text
// and serves it from then on. It prints "ready" once it owns the manager selection and
// "saved N bytes" after each hand-over. Text only, and no incremental transfers. With
// --silent it takes the manager's selection and then never answers anything.

#include "xcb_owner.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <xcb/xcb.h>

namespace {

xcb_connection_t *c;
xcb_window_t window;

} // namespace

int main(int argc, char *argv[])
{
    const bool silent = argc > 1 && std::strcmp(argv[1], "--silent") == 0;
    c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
    const xcb_atom_t manager = intern(c, "CLIPBOARD_MANAGER");
    const xcb_atom_t saveTargets = intern(c, "SAVE_TARGETS");
    const xcb_atom_t clipboard = intern(c, "CLIPBOARD");
    const xcb_atom_t targets = intern(c, "TARGETS");
    const xcb_atom_t utf8 = intern(c, "UTF8_STRING");
    const xcb_atom_t saved = intern(c, "SAVED_TEXT");
    xcb_set_selection_owner(c, window, manager, XCB_CURRENT_TIME);
    xcb_flush(c);
    std::printf("ready\n");
    std::fflush(stdout);

    std::string text;
    bool haveText = false;
    const xcb_selection_request_event_t *pending = nullptr; // a SAVE_TARGETS being served
    while (xcb_generic_event_t *event = xcb_wait_for_event(c)) {
        const int type = silent ? 0 : event->response_type & 0x7f;
        if (type == XCB_SELECTION_REQUEST) {
            const auto *request = reinterpret_cast<xcb_selection_request_event_t *>(event);
            if (request->selection == manager && request->target == saveTargets && !pending) {
                // Fetch the clipboard's text before the owner goes.
                xcb_convert_selection(c, window, clipboard, utf8, saved, request->time);
                xcb_flush(c);
                pending = request;
                continue; // keep the request until the text is here
            }
            if (request->selection == clipboard && haveText && request->target == targets) {
                const xcb_atom_t offered[] = {targets, utf8};
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
                                    XCB_ATOM_ATOM, 32, 2, offered);
                notify(c, *request, request->property);
            } else if (request->selection == clipboard && haveText &&
                       (request->target == utf8 || request->target == XCB_ATOM_STRING)) {
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
                                    request->target, 8, static_cast<uint32_t>(text.size()),
                                    text.data());
                notify(c, *request, request->property);
            } else {
                notify(c, *request, XCB_ATOM_NONE);
            }
        } else if (type == XCB_SELECTION_NOTIFY && pending) {
            const auto *answer = reinterpret_cast<xcb_selection_notify_event_t *>(event);
            if (answer->property != XCB_ATOM_NONE) {
                xcb_get_property_reply_t *value = xcb_get_property_reply(
                    c, xcb_get_property(c, 1, window, saved, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 24),
                    nullptr);
                if (value) {
                    text.assign(static_cast<const char *>(xcb_get_property_value(value)),
                                static_cast<size_t>(xcb_get_property_value_length(value)));
                    haveText = true;
                    std::free(value);
                }
            }
            // Take the clipboard over, then let the old owner go.
            xcb_set_selection_owner(c, window, clipboard, pending->time);
            notify(c, *pending,
                   haveText ? pending->property : static_cast<xcb_atom_t>(XCB_ATOM_NONE));
            std::printf("saved %zu bytes\n", text.size());
            std::fflush(stdout);
            std::free(const_cast<xcb_selection_request_event_t *>(pending));
            pending = nullptr;
        }
        std::free(event);
    }
    return 0;
}
