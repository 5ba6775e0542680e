// Every test program knows where the source tree is: PELMORA_SOURCE_DIR is set
// in its environment before any test runs (an outside value wins), so tests
// find their data files however they are started.
#include <cstdlib>

namespace {
#ifdef _WIN32
const int kSourceDirSet = std::getenv("PELMORA_SOURCE_DIR") != nullptr
                              ? 0
                              : ::_putenv_s("PELMORA_SOURCE_DIR", PELMORA_SOURCE_DIR_BUILT);
#else
const int kSourceDirSet = ::setenv("PELMORA_SOURCE_DIR", PELMORA_SOURCE_DIR_BUILT, 0);
#endif
} // namespace
