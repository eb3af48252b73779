#include "qt_clipboard.h"
#include "x11_selection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QWindow>
#include <xcb/xcb.h>

namespace corvantile {
namespace {

// Hears Escape pressed in a window of the tool while the window's own input waits: a
// connection of its own asks for the window's key presses too, as X lets several clients do.
class EscapeWatch
{
public:
    explicit EscapeWatch(xcb_window_t window)
    {
        if (xcb_connection_has_error(c) != 0)
            return;
        m_escapeKey = escapeKeycode();
        const uint32_t events = XCB_EVENT_MASK_KEY_PRESS;
        xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &events);
        xcb_flush(c);
    }
    ~EscapeWatch() { xcb_disconnect(c); }
    EscapeWatch(const EscapeWatch &) = delete;
    EscapeWatch &operator=(const EscapeWatch &) = delete;

    bool pressed()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_KEY_PRESS && m_escapeKey != 0 &&
                reinterpret_cast<xcb_key_press_event_t *>(event)->detail == m_escapeKey)
                m_pressed = true;
            std::free(event);
        }
        return m_pressed;
    }

private:
    xcb_keycode_t escapeKeycode()
    {
        constexpr xcb_keysym_t escape = 0xff1b;
        const xcb_setup_t *setup = xcb_get_setup(c);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        const std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> map(
            xcb_get_keyboard_mapping_reply(
                c, xcb_get_keyboard_mapping(c, setup->min_keycode, static_cast<uint8_t>(count)),
                nullptr),
            &std::free);
        if (!map || map->keysyms_per_keycode == 0)
            return 0;
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(map.get());
        const int length = xcb_get_keyboard_mapping_keysyms_length(map.get());
        for (int i = 0; i < length; ++i)
            if (syms[i] == escape)
                return static_cast<xcb_keycode_t>(setup->min_keycode +
                                                  i / map->keysyms_per_keycode);
        return 0;
    }

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    xcb_keycode_t m_escapeKey = 0;
    bool m_pressed = false;
};

// Another program's clipboard on X11 is read by the tool itself, on a connection of its own:
// an owner that stops sending makes the read fail after a short silence instead of freezing
// the window, and one that sends too much is cut off. (When the tool itself holds the
// clipboard, Qt answers from memory.)
class X11Clipboard : public QtClipboard
{
public:
    // How long the owner may stay silent: before it says what it offers, and between the
    // pieces of its data.
    static constexpr std::chrono::milliseconds ownerSilenceLimit{2000};

    ClipboardPicture readPicture(ReadProgress &progress) override
    {
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (!clipboard)
            return {};
        if (clipboard->ownsClipboard())
            return readThroughQt(progress, true);
        bool noServer = false;
        if (QWindow *window = QGuiApplication::focusWindow())
            m_escape = std::make_unique<EscapeWatch>(static_cast<xcb_window_t>(window->winId()));
        const ClipboardPicture result = runWhileAlive(progress, [&] {
            ClipboardPicture picture;
            const SelectionPicture selection = readSelectionPicture(progress, ownerSilenceLimit);
            switch (selection.outcome) {
            case SelectionPicture::Outcome::NoServer:
                noServer = true;
                break;
            case SelectionPicture::Outcome::NoPicture:
                break;
            case SelectionPicture::Outcome::Stalled:
                picture = failedBitmapTest();
                break;
            case SelectionPicture::Outcome::Refused:
                picture.read = ClipboardPicture::Read::Failed;
                break;
            case SelectionPicture::Outcome::Bytes:
                picture = decodedPicture(QImage::fromData(selection.bytes));
                break;
            }
            return picture;
        });
        m_escape.reset();
        return noServer && !progress.cancelled ? readThroughQt(progress, true) : result;
    }

protected:
    bool escapePressed() override { return m_escape && m_escape->pressed(); }

private:
    std::unique_ptr<EscapeWatch> m_escape;
};

} // namespace

std::unique_ptr<Clipboard> x11Clipboard()
{
    return std::make_unique<X11Clipboard>();
}

} // namespace corvantile
