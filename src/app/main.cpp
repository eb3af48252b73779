#include "main_window/form1.h"
#include "system/client_frame.h"
#include "system/platform.h"
#include "system/quit_on_signal.h"
#include "version.h"

#include <QApplication>
#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    if (!corvantile::displayAvailable()) {
        std::fputs("corvantile: no display found; it needs a graphical desktop (set DISPLAY or "
                   "WAYLAND_DISPLAY).\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvantile"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANTILE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.corvantile.Corvantile"));
    corvantile::quitOnTerminationSignals(app);
    // On Wayland the window sits in a frame of its own, which outlives it.
    std::unique_ptr<QWidget> frame;
    corvantile::Form1 window;
    if (QWidget *shown = corvantile::showFixedWindow(&window); shown != &window)
        frame.reset(shown);
    // A picture file named on the command line is opened as a paste would take it.
    if (const QStringList arguments = QApplication::arguments(); arguments.size() > 1)
        window.openPicture(arguments.at(1));
    return app.exec();
}
