// UTF-8 folded by ICU's Unicode simple case folding.
#include "platform/text/text_case_unicode.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace plat {

std::string FoldUtf8Characters(std::string_view text) {
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

} // namespace plat
