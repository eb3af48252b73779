#include "picture_limit.h"

#include <QImageReader>
#include <algorithm>
#include <atomic>
#include <climits>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace corvantile {
namespace {

// Read by decodes on other threads, perhaps one still ending as a new window sets it.
std::atomic<qint64> limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;

qint64 physicalMemoryBytes()
{
#ifdef Q_OS_WIN
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullTotalPhys) : 0;
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : 0;
#endif
}

} // namespace

void allowPicturesUpTo(qint64 bytes)
{
    const qint64 memory = physicalMemoryBytes();
    qint64 limit = memory > 0 ? std::min(bytes, memory / 4) : bytes;
    // Qt counts its limit in whole megabytes, so it is rounded down to one.
    const qint64 megabytes = std::clamp<qint64>(limit / (1024 * 1024), 1, INT_MAX);
    // Qt's limit is a plain value that a decode running elsewhere reads: it is written only
    // when it changes.
    if (QImageReader::allocationLimit() != megabytes)
        QImageReader::setAllocationLimit(static_cast<int>(megabytes));
    limitBytes = megabytes * 1024 * 1024;
}

qint64 pictureBytesLimit()
{
    return limitBytes;
}

bool fitsPictureLimit(qint64 width, qint64 height)
{
    // Divided rather than multiplied: a header may declare sides whose product overflows.
    return width <= 0 || height <= 0 || width <= pictureBytesLimit() / 4 / height;
}

} // namespace corvantile
