// Cutting blanks (space, tab, CR, LF, VT, FF) from both ends of a text line;
// bytes of multibyte characters are never taken for blanks.
#pragma once

#include <string>

namespace plat {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

inline std::string Trim(const std::string& s) {
    std::size_t end = s.size();
    while (end > 0 && IsBlank(s[end - 1]))
        --end;
    std::size_t begin = 0;
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    return s.substr(begin, end - begin);
}

} // namespace plat
