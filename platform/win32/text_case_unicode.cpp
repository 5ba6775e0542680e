// UTF-8 folded character by character through the system's invariant
// lower-case mapping (LCMapStringEx), kept only where it maps one character
// to one, as simple case folding does.
#include "platform/text_case_unicode.h"

#include "platform/text_encoding.h"
#include "platform/win32/windows_api.h"

namespace plat {

namespace {

// The length of the well-formed character at the start of text, 0 if none.
std::size_t CharacterLength(std::string_view text) {
    for (std::size_t n = 1; n <= 4 && n <= text.size(); ++n)
        if (IsValidUtf8(text.substr(0, n)))
            return n;
    return 0;
}

std::string FoldCharacter(std::string_view character) {
    wchar_t wide[2];
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, character.data(),
                                          static_cast<int>(character.size()), wide, 2);
    if (units <= 0)
        return std::string(character);
    wchar_t lower[2];
    const int mapped = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, wide, units, lower, 2,
                                     nullptr, nullptr, 0);
    if (mapped != units)
        return std::string(character);
    char out[8];
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, lower, mapped, out, sizeof out, nullptr, nullptr);
    if (bytes <= 0)
        return std::string(character);
    return std::string(out, static_cast<std::size_t>(bytes));
}

} // namespace

std::string FoldUtf8Characters(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            folded.push_back(byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + 0x20)
                                                        : static_cast<char>(byte));
            ++i;
            continue;
        }
        const std::size_t n = CharacterLength(text.substr(i));
        if (n == 0) {
            folded.push_back(text[i]);
            ++i;
            continue;
        }
        folded += FoldCharacter(text.substr(i, n));
        i += n;
    }
    return folded;
}

} // namespace plat
