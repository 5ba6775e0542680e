// Windows paths: "/" of a path is turned into the system's "\\", and a
// private directory is one under the user's own profile, whose access list
// the new levels inherit.
#include "platform/files/paths.h"
#include "platform/win32/windows_api.h"

#include <algorithm>

namespace plat {

std::string NativePath(const std::string& path) {
    std::string native = path;
    std::replace(native.begin(), native.end(), '/', kPathSeparator);
    return native;
}

bool CreatePrivateDirectories(const std::string& path) {
    return CreateDirectories(path);
}

} // namespace plat
