// A private directory on Linux: each missing level with mode 0700.
#include "platform/files/paths.h"

#include <cerrno>
#include <sys/stat.h>

namespace plat {

bool CreatePrivateDirectories(const std::string& path) {
    const std::string native = NativePath(path);
    if (native.empty())
        return false;
    // Each level from the top, so every one that is missing gets mode 0700.
    for (std::size_t end = native.find(kPathSeparator, 1);;
         end = native.find(kPathSeparator, end + 1)) {
        const std::string level = native.substr(0, end);
        if (!level.empty() && ::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (end == std::string::npos)
            break;
    }
    return DirectoryExists(native);
}

} // namespace plat
