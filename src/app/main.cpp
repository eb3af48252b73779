#include "main_window/form1.h"
#include "platform/client_frame.h"
#include "quit_on_signal.h"
#include "version.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Qt aborts when it cannot reach a display; say so plainly instead.
bool displayAvailable()
{
    const auto set = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
    if (set("QT_QPA_PLATFORM"))
        return true; // the user chose a platform (offscreen, vnc, ...) on purpose
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return true;
#else
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fputs("corvantile: no display found; it needs a graphical desktop (set DISPLAY or "
                   "WAYLAND_DISPLAY).\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvantile"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANTILE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.corvantile.Corvantile"));
#ifdef Q_OS_UNIX
    corvantile::quitOnTerminationSignals(app);
#endif
    // On Wayland the window sits in a frame of its own, which outlives it.
    std::unique_ptr<QWidget> frame;
    corvantile::Form1 window;
    if (QWidget *shown = corvantile::showFixedWindow(&window); shown != &window)
        frame.reset(shown);
    return app.exec();
}
