// The tick count and sleeping, with the Windows calls' meaning.
#pragma once

#include "platform/types.h"

namespace plat {

// Milliseconds since an arbitrary start, wrapping like a 32-bit tick count.
DWORD GetTickCount();
void Sleep(DWORD ms);

} // namespace plat
