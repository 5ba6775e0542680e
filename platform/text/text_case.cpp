#include "platform/text/text_case.h"

#include "platform/text/text_case_unicode.h"

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

} // namespace

std::string FoldCase(std::string_view text, TextEncoding encoding) {
    if (encoding == TextEncoding::Windows1252) {
        std::string folded(text);
        for (char& ch : folded)
            ch = FoldWindows1252(ch);
        return folded;
    }
    return FoldUtf8Characters(text);
}

bool EqualNoCase(std::string_view a, std::string_view b, TextEncoding encoding) {
    return FoldCase(a, encoding) == FoldCase(b, encoding);
}

} // namespace plat
