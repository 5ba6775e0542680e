// The version the system records for the program (GetProductVersion in
// program.h answers it unless a test set another): the build's on POSIX,
// the program's version resource on Windows.
#pragma once

#include <string>

namespace plat {

std::string SystemProductVersion();

} // namespace plat
