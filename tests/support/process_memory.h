#pragma once

namespace corvantile::test {

// The resident memory of this process in bytes, from /proc/self/statm.
long residentBytes();

} // namespace corvantile::test
