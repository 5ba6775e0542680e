// The tick count and sleeping, on the steady clock.
#include "platform/system/clock.h"

#include <chrono>
#include <cstdint>
#include <thread>

namespace plat {

DWORD GetTickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<DWORD>(static_cast<std::uint64_t>(ms));
}

void Sleep(DWORD ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace plat
