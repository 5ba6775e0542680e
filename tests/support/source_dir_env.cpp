// Every test program knows where the source tree is: PELMORA_SOURCE_DIR is set
// in its environment before any test runs (an outside value wins), so tests
// find their data files however they are started.
#include <cstdlib>

namespace {
const int kSourceDirSet = ::setenv("PELMORA_SOURCE_DIR", PELMORA_SOURCE_DIR_BUILT, 0);
} // namespace
