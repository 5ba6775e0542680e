// The installation's data directory (see directories.h); the user's settings
// directory is the system's (linux/ and win32/config_directory.cpp).
#include "platform/files/directories.h"
#include "platform/files/paths.h"

// The path from the install's program directory to its data directory,
// recorded by the build.
#ifndef PELMORA_BIN_TO_DATA
#define PELMORA_BIN_TO_DATA "../share"
#endif

namespace plat {

std::string GetDataDirectory(const std::string& programDirectory) {
    const std::string relative = PELMORA_BIN_TO_DATA;
    if (relative.empty())
        return WithTrailingSeparator(programDirectory);
    return WithTrailingSeparator(WithTrailingSeparator(programDirectory) + NativePath(relative));
}

} // namespace plat
