// The user's settings directory on Windows: the roaming application data,
// %APPDATA%.
#include "platform/files/directories.h"
#include "platform/files/paths.h"

#include <cstdlib>

namespace plat {

std::string GetConfigDirectory() {
    const char* appData = std::getenv("APPDATA");
    if (appData == nullptr || appData[0] == '\0')
        return {};
    return WithTrailingSeparator(appData);
}

} // namespace plat
