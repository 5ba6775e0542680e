// The program's directory, from the file each system names for it.
#include "platform/system/program.h"
#include "platform/files/paths.h"

namespace plat {

std::string GetModuleDirectory() {
    const std::string file = GetModuleFileName();
    const std::size_t slash = file.rfind(kPathSeparator);
    if (slash == std::string::npos)
        return WithTrailingSeparator(".");
    return file.substr(0, slash + 1);
}

} // namespace plat
