// The system's words for a Windows error code (FormatMessage), for the
// error texts platform/win32 passes up.
#pragma once

#include <string>

namespace plat {

std::string WindowsErrorText(unsigned long code);
// The text of GetLastError().
std::string LastErrorText();

} // namespace plat
