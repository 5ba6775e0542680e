// Decoding of text files: UTF-8, or Windows-1252 for files that are not valid
// UTF-8 (files written by older tools).
#pragma once

#include <string>
#include <string_view>

namespace plat {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Converts Windows-1252 bytes to UTF-8. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of
// the same value.
std::string Windows1252ToUtf8(std::string_view bytes);

// The text of a file's bytes as UTF-8: a UTF-8 byte-order mark is dropped;
// bytes that are not valid UTF-8 are read as Windows-1252.
std::string DecodeText(std::string_view bytes);

} // namespace plat
