#include "platform.h"

#include <QGuiApplication>
#include <cstdlib>

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

} // namespace corvantile
