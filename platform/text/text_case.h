// Comparing texts regardless of case, in the encoding the texts are held in:
// Windows-1252 by the code page's capital and small letter pairs, UTF-8 by
// Unicode simple case folding.
#pragma once

#include "platform/text/text_encoding.h"

#include <string>
#include <string_view>

namespace plat {

// The text with every letter folded to its caseless form, in the same
// encoding. Windows-1252: A..Z, the capitals 0xC0..0xDE (but 0xD7, the
// multiplication sign) and the pairs Š/š, Œ/œ, Ž/ž, Ÿ/ÿ fold to the small
// letter. UTF-8: each character folds by Unicode simple case folding (one
// character for one, so "ß" stays); bytes that are not well-formed UTF-8 are
// kept as they are.
std::string FoldCase(std::string_view text, TextEncoding encoding);

// The two texts are equal once folded.
bool EqualNoCase(std::string_view a, std::string_view b, TextEncoding encoding);

// The byte with A..Z folded to a..z; every other byte stays as it is, so the
// bytes of multibyte characters are compared exactly. INI section and key
// names and registry names compare this way.
inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text with every byte folded by AsciiLower.
inline std::string FoldAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        c = AsciiLower(c);
    return folded;
}

} // namespace plat
