#pragma once

#include <QtGlobal>
#include <atomic>

namespace corvantile {

// What a piece of work on another thread shares with the window while it runs: how far it got
// (bytes read, or the percent of a search: the work says which), and whether it was cancelled. The work
// looks at `cancelled` as often as it can and stops when it is set.
struct JobProgress
{
    std::atomic<qint64> done{0};
    std::atomic<bool> cancelled{false};
    // The work has not begun: it waits for cancelled work before it to stop.
    std::atomic<bool> waitingForEarlier{false};
};

} // namespace corvantile
