// Little-endian words and double words in the bytes of a file.
#pragma once

#include "platform/types.h"

namespace plat {

inline WORD Le16(const unsigned char* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

inline DWORD Le32(const unsigned char* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}

} // namespace plat
