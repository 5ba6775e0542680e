// Every test program knows where the source tree is: PELMORA_SOURCE_DIR is set
// in its environment before any test runs (an outside value wins), so tests
// find their data files however they are started. Under Wine the tree's
// POSIX path names the same folder on the drive the tests run from.
#include <cstdlib>

namespace {
#ifdef _WIN32
int SetSourceDir() {
    if (std::getenv("PELMORA_SOURCE_DIR") != nullptr)
        return 0;
    return ::_putenv_s("PELMORA_SOURCE_DIR", PELMORA_SOURCE_DIR_BUILT);
}
const int kSourceDirSet = SetSourceDir();
#else
const int kSourceDirSet = ::setenv("PELMORA_SOURCE_DIR", PELMORA_SOURCE_DIR_BUILT, 0);
#endif
} // namespace
