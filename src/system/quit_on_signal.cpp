#include "quit_on_signal.h"

#include <QCoreApplication>

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
