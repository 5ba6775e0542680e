// UTF-8 folded character by character through the system's invariant
// lower-case mapping (LCMapStringEx), kept only where it maps one character
// to one, as simple case folding does.
#include "platform/text/text_case_unicode.h"

#include "platform/text/text_encoding.h"
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

// Where simple case folding differs from the lower-case mapping: letters
// whose fold is another small letter, and signs that fold to a letter.
wchar_t FoldException(wchar_t c) {
    switch (c) {
    case 0x00B5:
        return 0x03BC; // micro sign -> mu
    case 0x017F:
        return 's'; // long s
    case 0x03C2:
        return 0x03C3; // final sigma
    case 0x03D0:
        return 0x03B2; // beta symbol
    case 0x03D1:
        return 0x03B8; // theta symbol
    case 0x03D5:
        return 0x03C6; // phi symbol
    case 0x03D6:
        return 0x03C0; // pi symbol
    case 0x03F0:
        return 0x03BA; // kappa symbol
    case 0x03F1:
        return 0x03C1; // rho symbol
    case 0x03F5:
        return 0x03B5; // lunate epsilon
    case 0x1E9E:
        return 0x00DF; // capital sharp s
    case 0x1FBE:
        return 0x03B9; // prosgegrammeni
    case 0x2126:
        return 0x03C9; // ohm sign
    case 0x212A:
        return 'k'; // Kelvin sign
    case 0x212B:
        return 0x00E5; // angstrom sign
    default:
        return 0;
    }
}

std::string FoldCharacter(std::string_view character) {
    wchar_t wide[2];
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, character.data(),
                                          static_cast<int>(character.size()), wide, 2);
    if (units <= 0)
        return std::string(character);
    wchar_t lower[2];
    if (units == 1 && FoldException(wide[0]) != 0) {
        lower[0] = FoldException(wide[0]);
        char out[4];
        const int bytes =
            WideCharToMultiByte(CP_UTF8, 0, lower, 1, out, sizeof out, nullptr, nullptr);
        return bytes > 0 ? std::string(out, static_cast<std::size_t>(bytes))
                         : std::string(character);
    }
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
