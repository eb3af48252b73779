// Linked only into the sanitized build. The leak check runs as the program ends, with every
// other thread stopped and read. Qt's threads are detached: one whose wait() has returned may
// still be tearing itself down, and a thread caught half gone makes the checker itself fault,
// which fails a run that leaked nothing. So the program ends only once the threads that were
// ending have gone; a thread that stays (work stuck in a call that never returns) is left, as
// it is not going anywhere while the checker reads it.
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

long threadCount()
{
    std::error_code error;
    long count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/task", error), end;
         !error && it != end; it.increment(error))
        ++count;
    return count;
}

struct WaitForEndingThreads
{
    // Made before main, so taken down after every object made later, Qt's thread pools too.
    ~WaitForEndingThreads()
    {
        using namespace std::chrono;
        const auto limit = steady_clock::now() + seconds(3);
        auto settledSince = steady_clock::now();
        long last = threadCount();
        while (last > 1 && steady_clock::now() < limit
               && steady_clock::now() - settledSince < milliseconds(200)) {
            std::this_thread::sleep_for(milliseconds(5));
            const long now = threadCount();
            if (now != last)
                settledSince = steady_clock::now();
            last = now;
        }
    }
} waitForEndingThreads;

} // namespace
