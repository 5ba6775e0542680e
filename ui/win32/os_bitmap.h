// A 32-bit DIB section laid out as our pixel tables are (rows from the top,
// 0xAARRGGBB), for the os_*.cpp files, which see <windows.h>.
#pragma once

#include <windows.h>

namespace win {

// Null when the system refuses it; `bits` then stays null.
HBITMAP CreateTopDownBitmap(HDC dc, int width, int height, void** bits);

} // namespace win
