// The tick count and sleeping on Windows (kernel32).
#include "platform/system/clock.h"
#include "platform/win32/windows_api.h"

namespace plat {

DWORD GetTickCount() {
    return static_cast<::DWORD>(::GetTickCount64());
}

void Sleep(DWORD ms) {
    ::Sleep(ms);
}

} // namespace plat
