#pragma once

namespace corvantile::test {

// The resident memory of this process in bytes, from /proc/self/statm.
long residentBytes();
// The most memory another process has held, in MiB, from the kernel's high-water mark; -1 when
// it cannot be read.
long highWaterMiB(long pid);

} // namespace corvantile::test
