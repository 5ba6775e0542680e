// A private directory on Windows: one under the user's own profile, whose
// access list the new levels inherit.
#include "platform/files/paths.h"

namespace plat {

bool CreatePrivateDirectories(const std::string& path) {
    return CreateDirectories(path);
}

} // namespace plat
