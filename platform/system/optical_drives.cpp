#include "platform/system/optical_drives.h"

#include <mutex>
#include <sstream>

namespace plat {

namespace {

std::mutex g_mutex;
OpticalDriveSource g_source;

std::string DecodeMountField(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

} // namespace

std::vector<std::string> ParseOpticalMounts(const std::string& mountTable) {
    std::vector<std::string> drives;
    std::istringstream in(mountTable);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, type;
        if (!(fields >> device >> mountPoint >> type))
            continue;
        if (type == "iso9660" || type == "udf")
            drives.push_back(DecodeMountField(mountPoint));
    }
    return drives;
}

std::vector<std::string> GetOpticalDrives() {
    OpticalDriveSource source;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        source = g_source;
    }
    if (source)
        return source();
    return SystemOpticalDrives();
}

void SetOpticalDriveSource(OpticalDriveSource source) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_source = std::move(source);
}

} // namespace plat
