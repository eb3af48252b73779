#include "quit_on_signal.h"

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <cstring>
#include <utility>

#ifdef CORVANTILE_HAS_XCB
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>
#endif

namespace corvantile {
namespace {

// What the tool put on the clipboard is given to a clipboard manager that asks for it within
// this time; a manager that never answers holds the end of the program up no longer.
constexpr int handOverLimitMs = 900;

#ifdef CORVANTILE_HAS_XCB

// The X event a native event filter is given, when it is one of the kind asked for.
template <typename Event> const Event *xcbEvent(const QByteArray &type, void *message, int kind)
{
    if (type != "xcb_generic_event_t")
        return nullptr;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    return (event->response_type & 0x7f) == kind ? reinterpret_cast<const Event *>(event) : nullptr;
}

xcb_atom_t internAtom(xcb_connection_t *c, const char *name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The hand-over of the clipboard to the manager, as a program on its way out asks for it: the
// manager is asked to SAVE_TARGETS, fetches the contents from the toolkit's owner window while
// the event loop goes on serving it, and answers. Its answer, or the time limit, ends the
// program. The clipboard is then let go, so that the toolkit does not ask again, and wait longer,
// as it ends.
class ClipboardHandOver : public QObject, public QAbstractNativeEventFilter
{
public:
    explicit ClipboardHandOver(QCoreApplication &app) : QObject(&app), m_app(app) {}

    // False when there is nothing to hand over or no manager to take it.
    bool start()
    {
        const auto *x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        const QClipboard *clipboard = QGuiApplication::clipboard();
        if (!x11 || !clipboard || !clipboard->ownsClipboard())
            return false;
        m_c = x11->connection();
        m_manager = internAtom(m_c, "CLIPBOARD_MANAGER");
        const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
            xcb_get_selection_owner_reply(m_c, xcb_get_selection_owner(m_c, m_manager), nullptr),
            &std::free);
        if (!owner || owner->owner == XCB_NONE)
            return false;
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        m_window = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
        xcb_convert_selection(m_c, m_window, m_manager, internAtom(m_c, "SAVE_TARGETS"),
                              internAtom(m_c, "CORVANTILE_SAVED"), XCB_CURRENT_TIME);
        xcb_flush(m_c);
        m_app.installNativeEventFilter(this);
        QTimer::singleShot(handOverLimitMs, this, &ClipboardHandOver::finish);
        return true;
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        const auto *answer =
            xcbEvent<xcb_selection_notify_event_t>(type, message, XCB_SELECTION_NOTIFY);
        if (!answer || answer->requestor != m_window || answer->selection != m_manager)
            return false;
        QMetaObject::invokeMethod(this, &ClipboardHandOver::finish, Qt::QueuedConnection);
        return true;
    }

private:
    void finish()
    {
        if (m_finished)
            return;
        m_finished = true;
        m_app.removeNativeEventFilter(this);
        xcb_destroy_window(m_c, m_window);
        xcb_flush(m_c);
        QClipboard *clipboard = QGuiApplication::clipboard();
        for (const QClipboard::Mode mode : {QClipboard::Clipboard, QClipboard::Selection})
            if (mode == QClipboard::Clipboard ? clipboard->ownsClipboard()
                                              : clipboard->ownsSelection())
                clipboard->clear(mode);
        m_app.quit();
    }

    QCoreApplication &m_app;
    xcb_connection_t *m_c = nullptr;
    xcb_atom_t m_manager = XCB_ATOM_NONE;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    bool m_finished = false;
};

#endif

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
        const auto *destroyed =
            xcbEvent<xcb_destroy_notify_event_t>(type, message, XCB_DESTROY_NOTIFY);
        if (!destroyed)
            return false;
        const auto *window = static_cast<const QWidget *>(parent());
        if (window->isVisible() && window->internalWinId() == destroyed->window)
            endProgram(m_app);
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

void endProgram(QCoreApplication &app)
{
    static bool ending = false;
    if (std::exchange(ending, true)) {
        app.quit(); // asked twice: no more waiting
        return;
    }
#ifdef CORVANTILE_HAS_XCB
    if ((new ClipboardHandOver(app))->start())
        return;
#endif
    app.quit();
}

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
        endProgram(app);
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
