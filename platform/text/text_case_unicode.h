// The UTF-8 half of FoldCase (text_case.h), which a Unicode library of the
// system answers: ICU on Linux, the system's own mapping on Windows.
#pragma once

#include <string>
#include <string_view>

namespace plat {

// Each well-formed character of the UTF-8 text folded one for one to its
// caseless form; bytes that are not well-formed UTF-8 stay as they are.
std::string FoldUtf8Characters(std::string_view text);

} // namespace plat
