// Every test program knows where the source tree is: PELMORA_SOURCE_DIR is set
// in its environment before any test runs (an outside value wins), so tests
// find their data files however they are started. The Windows test programs
// are cross-built and run under Wine, which shows the build machine's root
// as drive Z:.
#include <cstdlib>

namespace {

int SetSourceDir() {
#if defined(_WIN32)
    if (std::getenv("PELMORA_SOURCE_DIR") != nullptr)
        return 0;
    return ::_putenv_s("PELMORA_SOURCE_DIR", "Z:" PELMORA_SOURCE_DIR_BUILT);
#else
    return ::setenv("PELMORA_SOURCE_DIR", PELMORA_SOURCE_DIR_BUILT, 0);
#endif
}

const int kSourceDirSet = SetSourceDir();

} // namespace
