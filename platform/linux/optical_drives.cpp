// The mounted discs of /proc/mounts.
#include "platform/system/optical_drives.h"

#include <fstream>
#include <sstream>

namespace plat {

std::vector<std::string> SystemOpticalDrives() {
    std::ifstream file("/proc/mounts");
    if (!file)
        return {};
    std::ostringstream text;
    text << file.rdbuf();
    return ParseOpticalMounts(text.str());
}

} // namespace plat
