#include "process_memory.h"

#include <fstream>
#include <unistd.h>

namespace corvantile::test {

long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

} // namespace corvantile::test
