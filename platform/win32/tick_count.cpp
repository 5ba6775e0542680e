// The tick count on Windows: the system's own, milliseconds since start.
#include "platform/win32/windows_api.h"

#include <cstdint>

namespace plat {
std::uint32_t GetTickCount();
std::uint32_t GetTickCount() {
    return static_cast<std::uint32_t>(::GetTickCount64());
}
} // namespace plat
