// Basic integer and handle types with the Windows names the domain code is
// written against. Everything lives in namespace plat.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using BOOL = int;
using DWORD_PTR = std::uintptr_t;
using UINT_PTR = std::uintptr_t;
using LPSTR = char*;
using LPCSTR = const char*;
using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);

// Opaque module handle (an executable or a shared library loaded at run time).
struct HMODULE__;
using HMODULE = HMODULE__*;

constexpr WORD LOWORD(DWORD v) {
    return static_cast<WORD>(v & 0xFFFF);
}
constexpr WORD HIWORD(DWORD v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
constexpr BYTE LOBYTE(WORD v) {
    return static_cast<BYTE>(v & 0xFF);
}
constexpr BYTE HIBYTE(WORD v) {
    return static_cast<BYTE>((v >> 8) & 0xFF);
}

} // namespace plat
