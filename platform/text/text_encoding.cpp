#include "platform/text/text_encoding.h"

#include <cstdint>
#include <iterator>

namespace plat {

namespace {

// Unicode code points of the bytes 0x80..0x9F in Windows-1252.
constexpr std::uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Reads one well-formed UTF-8 character at bytes[i]; false for a broken or
// overlong sequence, a surrogate or a code point above U+10FFFF.
bool NextCodePoint(std::string_view bytes, std::size_t& i, std::uint32_t& cp) {
    const std::size_t n = bytes.size();
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
        cp = b;
        ++i;
        return true;
    }
    std::size_t len = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        cp = b & 0x07;
    } else {
        return false;
    }
    if (n - i < len)
        return false;
    for (std::size_t k = 1; k < len; ++k) {
        const auto c = static_cast<unsigned char>(bytes[i + k]);
        if ((c & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (c & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    i += len;
    return true;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    std::uint32_t cp = 0;
    while (i < bytes.size())
        if (!NextCodePoint(bytes, i, cp))
            return false;
    return true;
}

TextEncoding DetectTextEncoding(std::string_view bytes) {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom)
        return TextEncoding::Utf8WithBom;
    return IsValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else if (b < 0xA0)
            AppendUtf8(out, kHighControls[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
    return out;
}

bool Utf8ToWindows1252(std::string_view utf8, std::string* out) {
    std::string bytes;
    bytes.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::uint32_t cp = 0;
        if (!NextCodePoint(utf8, i, cp))
            return false;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            bytes += static_cast<char>(cp);
            continue;
        }
        // 0x80..0x9F: the characters the code page puts there, including the
        // five control characters that stand for themselves.
        std::size_t k = 0;
        while (k < std::size(kHighControls) && kHighControls[k] != cp)
            ++k;
        if (k == std::size(kHighControls))
            return false;
        bytes += static_cast<char>(0x80 + k);
    }
    *out = std::move(bytes);
    return true;
}

std::string DecodeText(std::string_view bytes) {
    if (IsValidUtf8(bytes)) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
            bytes.remove_prefix(3);
        return std::string(bytes);
    }
    return Windows1252ToUtf8(bytes);
}

} // namespace plat

namespace plat {

bool EncodeText(std::string_view utf8, TextEncoding encoding, std::string* out) {
    if (encoding == TextEncoding::Windows1252)
        return Utf8ToWindows1252(utf8, out);
    if (!IsValidUtf8(utf8))
        return false;
    out->assign(utf8);
    return true;
}

std::string FileNameFromText(std::string_view text, TextEncoding encoding) {
#if defined(_WIN32)
    // The A calls take names in the code page; a UTF-8 name it cannot hold
    // stays as it is (no such file can be opened through them).
    std::string name;
    if (encoding != TextEncoding::Windows1252 && Utf8ToWindows1252(text, &name))
        return name;
    return std::string(text);
#else
    if (encoding == TextEncoding::Windows1252)
        return Windows1252ToUtf8(text);
    return std::string(text);
#endif
}

} // namespace plat
