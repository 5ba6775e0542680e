#include "platform/text_case.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace plat {

namespace {

char FoldWindows1252(char ch) {
    const auto b = static_cast<unsigned char>(ch);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7))
        return static_cast<char>(b + 0x20);
    switch (b) {
    case 0x8A: // Š
    case 0x8C: // Œ
    case 0x8E: // Ž
        return static_cast<char>(b + 0x10);
    case 0x9F: // Ÿ
        return static_cast<char>(0xFF);
    default:
        return ch;
    }
}

std::string FoldUtf8(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t i = 0;
    while (i < length) {
        const std::int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0) {
            // Not a character: its bytes stay as they are.
            folded.append(text.substr(start, i - start));
            continue;
        }
        const UChar32 f = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        std::uint8_t out[U8_MAX_LENGTH];
        std::int32_t n = 0;
        U8_APPEND_UNSAFE(out, n, f);
        folded.append(reinterpret_cast<const char*>(out), static_cast<std::size_t>(n));
    }
    return folded;
}

} // namespace

std::string FoldCase(std::string_view text, TextEncoding encoding) {
    if (encoding == TextEncoding::Windows1252) {
        std::string folded(text);
        for (char& ch : folded)
            ch = FoldWindows1252(ch);
        return folded;
    }
    return FoldUtf8(text);
}

bool EqualNoCase(std::string_view a, std::string_view b, TextEncoding encoding) {
    return FoldCase(a, encoding) == FoldCase(b, encoding);
}

} // namespace plat
