#include "platform.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#ifdef CORVANTILE_HAS_XCB
#include "x11_selection.h"
#endif

namespace corvantile {

WindowSystem windowSystem()
{
    const QString name = QGuiApplication::platformName();
    if (name == QLatin1String("xcb"))
        return WindowSystem::X11;
    if (name.startsWith(QLatin1String("wayland")))
        return WindowSystem::Wayland;
    if (name == QLatin1String("windows"))
        return WindowSystem::Windows;
    return WindowSystem::Other; // offscreen, vnc, ...
}

bool readerBridgeScalesRectangles()
{
    return windowSystem() == WindowSystem::Windows;
}

bool windowSystemScalesWindows()
{
    return windowSystem() == WindowSystem::Wayland;
}

void reachTerminal()
{
#ifdef Q_OS_WIN
    // Output that already goes somewhere (a pipe, a file, Wine's terminal) stays there.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
#endif
}

QString displayProblem(const QByteArray &display)
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    Q_UNUSED(display);
    return QString();
#else
    const auto set = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
#ifdef CORVANTILE_HAS_XCB
    useX11Display(display);
#endif
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return QString(); // the user chose a platform (offscreen, vnc, ...) on purpose
    if (display.isEmpty() && !set("DISPLAY") && !set("WAYLAND_DISPLAY"))
        return QStringLiteral("no display found; it needs a graphical desktop (set DISPLAY or "
                              "WAYLAND_DISPLAY).");
#ifdef CORVANTILE_HAS_XCB
    // Where X11 would be used, an X server must answer: Qt aborts with a core dump otherwise.
    // A server that takes the connection but says nothing is given two seconds.
    if ((platform.startsWith("xcb") || !display.isEmpty() || !set("WAYLAND_DISPLAY")) &&
        !x11DisplayReachable(std::chrono::seconds(2)))
        return QStringLiteral("cannot open the display %1: no X server answers there.")
            .arg(QString::fromLocal8Bit(display.isEmpty() ? qgetenv("DISPLAY") : display));
#endif
    return QString();
#endif
}

} // namespace corvantile
