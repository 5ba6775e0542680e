// The drive letters whose drive type is CD-ROM ("D:\\").
#include "platform/system/optical_drives.h"

#include "platform/win32/windows_api.h"

namespace plat {

std::vector<std::string> SystemOpticalDrives() {
    std::vector<std::string> drives;
    const ::DWORD mask = ::GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if ((mask & (1u << letter)) == 0)
            continue;
        const std::string root = std::string(1, static_cast<char>('A' + letter)) + ":\\";
        if (::GetDriveTypeA(root.c_str()) == DRIVE_CDROM)
            drives.push_back(root);
    }
    return drives;
}

} // namespace plat
