#pragma once

class QCoreApplication;

namespace corvantile {

// Ends the application's event loop on SIGTERM, SIGINT and SIGHUP, so that a logout or a
// Ctrl+C closes the window the normal way and the toolkit can hand what the tool put on the
// clipboard over to a clipboard manager.
void quitOnTerminationSignals(QCoreApplication &app);

} // namespace corvantile
