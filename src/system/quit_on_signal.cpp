#include "quit_on_signal.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QWidget>

#ifdef CORVANTILE_HAS_XCB
#include <xcb/xcb.h>
#endif

namespace corvantile {
namespace {

// The X server tells a window's owner that it was destroyed. The toolkit destroys windows of
// its own too (and has then given the widget another, or none): only the window the widget
// still stands on counts. The watch lives as long as the window it watches.
class DestroyedWindowWatch : public QObject, public QAbstractNativeEventFilter
{
public:
    DestroyedWindowWatch(QCoreApplication &app, QWidget &window) : QObject(&window), m_app(app) {}

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
#ifdef CORVANTILE_HAS_XCB
        if (type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
            return false;
        const auto *destroyed = reinterpret_cast<const xcb_destroy_notify_event_t *>(event);
        const auto *window = static_cast<const QWidget *>(parent());
        if (window->isVisible() && window->internalWinId() == destroyed->window)
            m_app.quit();
#else
        Q_UNUSED(type);
        Q_UNUSED(message);
#endif
        return false;
    }

private:
    QCoreApplication &m_app;
};

} // namespace

void quitWhenWindowDestroyed(QCoreApplication &app, QWidget &window)
{
    app.installNativeEventFilter(new DestroyedWindowWatch(app, window));
}

} // namespace corvantile

#ifdef Q_OS_WIN

namespace corvantile {

// Windows ends a program with its own messages, which close the window the normal way.
void quitOnTerminationSignals(QCoreApplication &) {}

} // namespace corvantile

#else

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace corvantile {
namespace {

int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe, read back in the event loop.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

void quitOnTerminationSignals(QCoreApplication &app)
{
    if (::pipe(signalPipe) != 0)
        return;
    for (int fd : signalPipe)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[0], &byte, 1);
        app.quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

} // namespace corvantile

#endif
