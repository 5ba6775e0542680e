// Text encodings of the files Pelmora reads and writes: UTF-8, UTF-8 with a
// byte-order mark, or Windows-1252 (files written by the learning product and
// older tools). Text in the domain is the bytes a file holds; these are the
// conversions between those bytes and UTF-8, the encoding of the user
// interface.
#pragma once

#include <string>
#include <string_view>

namespace plat {

enum class TextEncoding {
    Utf8,        // UTF-8 without a mark
    Utf8WithBom, // UTF-8 after the mark EF BB BF
    Windows1252, // one byte per character, code page 1252
};

// The byte-order mark of UTF-8.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The encoding of a file's bytes: the mark makes it UTF-8 with a mark, else
// well-formed UTF-8 is UTF-8, and anything else is Windows-1252.
TextEncoding DetectTextEncoding(std::string_view bytes);

// Converts Windows-1252 bytes to UTF-8. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of
// the same value.
std::string Windows1252ToUtf8(std::string_view bytes);

// Converts UTF-8 to Windows-1252: the exact inverse of Windows1252ToUtf8.
// False (and *out untouched) when the text is not well-formed UTF-8 or holds
// a character the code page does not have.
bool Utf8ToWindows1252(std::string_view utf8, std::string* out);

// The text of a file's bytes as UTF-8: a UTF-8 byte-order mark is dropped;
// bytes that are not valid UTF-8 are read as Windows-1252.
std::string DecodeText(std::string_view bytes);

// Text the user typed (UTF-8) in the encoding of the file it is compared with
// or written to. False when the file's encoding cannot hold it; *out is then
// untouched.
bool EncodeText(std::string_view utf8, TextEncoding encoding, std::string* out);

// A file or folder name that a file holds in `encoding`, as this platform
// names files: on POSIX in UTF-8 (Windows-1252 names are converted, UTF-8
// ones kept), on Windows in the code page of the A calls (UTF-8 names it can
// hold are converted, the others kept).
std::string FileNameFromText(std::string_view text, TextEncoding encoding);

} // namespace plat
