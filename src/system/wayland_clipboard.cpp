#include "qt_clipboard.h"

#include <QGuiApplication>

namespace corvantile {
namespace {

// A Wayland compositor hands the clipboard only to the window that has the keyboard focus;
// without it Qt sees an empty clipboard. The bytes are fetched through Qt, which gives up on
// an owner that stays silent for a second; only their decoding leaves the window's thread.
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
        return readThroughQt(true);
    }
};

} // namespace

std::unique_ptr<Clipboard> waylandClipboard()
{
    return std::make_unique<WaylandClipboard>();
}

} // namespace corvantile
