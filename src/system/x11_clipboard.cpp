#include "qt_clipboard.h"
#include "x11_selection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <xcb/xcb.h>

namespace corvantile {
namespace {

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
        ClipboardPicture result;
        bool noServer = false;
        runWhileAlive(progress, [&] {
            SelectionPicture selection = readSelectionPicture(progress, ownerSilenceLimit);
            switch (selection.outcome) {
            case SelectionPicture::Outcome::NoServer:
                noServer = true;
                break;
            case SelectionPicture::Outcome::NoPicture:
                break;
            case SelectionPicture::Outcome::Stalled:
                // The bitmap test failed, which skips only the test: the paste goes on as if
                // a bitmap were there, and its read fails. A cancel counts the same.
                result = {ClipboardPicture::Read::Failed, QImage(), true};
                break;
            case SelectionPicture::Outcome::Refused:
                result.read = ClipboardPicture::Read::Failed;
                break;
            case SelectionPicture::Outcome::Bytes:
                result = decodedPicture(QImage::fromData(selection.bytes));
                break;
            }
        });
        if (progress.cancelled)
            return {ClipboardPicture::Read::Failed, QImage(), true};
        return noServer ? readThroughQt(progress, true) : result;
    }

protected:
    // Escape is held when the window is active and the server's keyboard map has its key
    // down.
    bool escapeHeld() const override
    {
        if (QGuiApplication::applicationState() != Qt::ApplicationActive)
            return false;
        auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t *c = x11 ? x11->connection() : nullptr;
        if (!c)
            return false;
        if (m_escapeKey == 0)
            m_escapeKey = escapeKeycode(c);
        const std::unique_ptr<xcb_query_keymap_reply_t, decltype(&std::free)> keys(
            xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr), &std::free);
        return keys && m_escapeKey != 0 && (keys->keys[m_escapeKey / 8] >> (m_escapeKey % 8)) & 1;
    }

private:
    static xcb_keycode_t escapeKeycode(xcb_connection_t *c)
    {
        constexpr xcb_keysym_t escape = 0xff1b;
        const xcb_setup_t *setup = xcb_get_setup(c);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        const std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> map(
            xcb_get_keyboard_mapping_reply(
                c, xcb_get_keyboard_mapping(c, setup->min_keycode, static_cast<uint8_t>(count)),
                nullptr),
            &std::free);
        if (!map)
            return 0;
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(map.get());
        const int length = xcb_get_keyboard_mapping_keysyms_length(map.get());
        for (int i = 0; i < length; ++i)
            if (syms[i] == escape)
                return static_cast<xcb_keycode_t>(setup->min_keycode +
                                                  i / map->keysyms_per_keycode);
        return 0;
    }

    mutable xcb_keycode_t m_escapeKey = 0;
};

} // namespace

std::unique_ptr<Clipboard> x11Clipboard()
{
    return std::make_unique<X11Clipboard>();
}

} // namespace corvantile
