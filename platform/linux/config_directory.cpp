// The user's settings directory: $XDG_CONFIG_HOME, else ~/.config.
#include "platform/files/directories.h"
#include "platform/files/paths.h"

#include <cstdlib>

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

} // namespace plat
