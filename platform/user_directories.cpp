// The user's settings directory and the installation's data directory (see
// system.h).
#include "platform/system.h"

#include <cstdlib>

// The path from the install's program directory to its data directory,
// recorded by the build.
#ifndef PELMORA_BIN_TO_DATA
#define PELMORA_BIN_TO_DATA "../share"
#endif

namespace plat {

namespace {

// An environment variable that names an absolute path; a relative or empty
// one is taken as unset.
const char* AbsolutePath(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? value : nullptr;
}

} // namespace

std::string GetConfigDirectory() {
    if (const char* config = AbsolutePath("XDG_CONFIG_HOME"))
        return WithTrailingSeparator(config);
    if (const char* home = AbsolutePath("HOME"))
        return WithTrailingSeparator(WithTrailingSeparator(home) + ".config");
    return {};
}

std::string GetDataDirectory(const std::string& programDirectory) {
    const std::string relative = PELMORA_BIN_TO_DATA;
    if (relative.empty())
        return WithTrailingSeparator(programDirectory);
    return WithTrailingSeparator(WithTrailingSeparator(programDirectory) + relative);
}

} // namespace plat
