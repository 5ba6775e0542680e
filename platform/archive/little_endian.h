// Little-endian words and double words in the bytes of a file or a registry
// value.
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

inline void PutLe16(unsigned char* p, WORD v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void PutLe32(unsigned char* p, DWORD v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

} // namespace plat
