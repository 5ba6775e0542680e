// Copying a name into the fixed char array of a caps, line, control or list
// text record: cut to fit, zero-terminated, the rest of the array zeroed.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

namespace plat {

template <std::size_t N> void CopyName(char (&to)[N], const std::string& from) {
    std::memset(to, 0, N);
    std::memcpy(to, from.data(), std::min(from.size(), N - 1));
}

} // namespace plat
