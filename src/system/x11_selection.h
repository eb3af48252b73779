#pragma once

#include "x11_transfer.h"

#include <QByteArray>
#include <QStringList>
#include <chrono>

namespace corvantile {

// The display the program's own X connections open: the one Qt opened, which a `-display`
// option may have chosen instead of $DISPLAY. Empty: $DISPLAY.
void useX11Display(const QByteArray &name);
// Whether an X server answers on that display; one that takes the connection and says nothing
// is given `limit` to answer. Asked once.
bool x11DisplayReachable(std::chrono::milliseconds limit);

// Reads the clipboard's picture from the X server (see transferPicture). time: the server
// time of the input that asked for it, or 0 for the current time.
SelectionPicture readSelectionPicture(JobProgress &progress, std::chrono::milliseconds silenceLimit,
                                      quint32 time);
// Reads the clipboard's text the same way (see transferText).
std::optional<QString> readSelectionText(JobProgress &progress,
                                         std::chrono::milliseconds silenceLimit, quint32 time);

} // namespace corvantile
