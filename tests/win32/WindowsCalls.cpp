#include "tests/win32/WindowsCalls.h"

#include <windows.h>

namespace wintest {

bool SetReadOnly(const std::string& path, bool readOnly) {
    return ::SetFileAttributesA(path.c_str(),
                                readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}

bool MakeHardLink(const std::string& link, const std::string& existing) {
    return ::CreateHardLinkA(link.c_str(), existing.c_str(), nullptr) != 0;
}

unsigned long CurrentProcessId() {
    return ::GetCurrentProcessId();
}

} // namespace wintest
