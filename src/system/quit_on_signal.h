#pragma once

class QCoreApplication;
class QWidget;

namespace corvantile {

// Ends the program's event loop, the way every end of it goes (the window closed, a signal, the
// window destroyed): what the tool put on the clipboard is first handed to a clipboard manager,
// if the desktop runs one, which is waited for a second at most. Asked again meanwhile, it ends
// the loop at once.
void endProgram(QCoreApplication &app);

// Ends the program (endProgram) on SIGTERM, SIGINT and SIGHUP, so that a logout or a Ctrl+C
// closes the window the normal way and what the tool put on the clipboard is handed over.
void quitOnTerminationSignals(QCoreApplication &app);

// Ends the program (endProgram) when another program destroys the main window (an X11 client
// may): the program would live on with no window to close.
void quitWhenWindowDestroyed(QCoreApplication &app, QWidget &window);

} // namespace corvantile
