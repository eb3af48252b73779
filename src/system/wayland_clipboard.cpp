#include "qt_clipboard.h"

#include <QElapsedTimer>
#include <QGuiApplication>

namespace corvantile {
namespace {

// A Wayland compositor hands the clipboard only to the window that has the keyboard focus;
// without it Qt sees an empty clipboard.
class WaylandClipboard : public QtClipboard
{
public:
    // How long a paste waits for the keyboard focus.
    static constexpr std::chrono::milliseconds focusWaitLimit{500};

    // A click that activates the window may arrive just before the focus does, so the focus
    // is waited for a moment (taking no user input meanwhile); still without it, the read
    // fails rather than report "no picture".
    ClipboardPicture readPicture(ReadProgress &progress) override
    {
        QElapsedTimer waited;
        waited.start();
        while (!QGuiApplication::focusWindow() && waited.elapsed() < focusWaitLimit.count())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        if (!QGuiApplication::focusWindow()) {
            ClipboardPicture failed;
            failed.read = ClipboardPicture::Read::Failed;
            return failed;
        }
        return readThroughQt(progress, true);
    }
};

} // namespace

std::unique_ptr<Clipboard> waylandClipboard()
{
    return std::make_unique<WaylandClipboard>();
}

} // namespace corvantile
