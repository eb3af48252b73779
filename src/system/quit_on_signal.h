#pragma once

class QCoreApplication;
class QWidget;

namespace corvantile {

// Ends the application's event loop on SIGTERM, SIGINT and SIGHUP, so that a logout or a
// Ctrl+C closes the window the normal way and the toolkit can hand what the tool put on the
// clipboard over to a clipboard manager.
void quitOnTerminationSignals(QCoreApplication &app);

// Ends the application's event loop when another program destroys the main window (an X11
// client may): the program would live on with no window to close.
void quitWhenWindowDestroyed(QCoreApplication &app, QWidget &window);

} // namespace corvantile
