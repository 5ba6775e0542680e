// Files Pelmora makes from nothing, such as the recording "User.wav", written
// piece by piece while they grow.
#pragma once

#include <cstdio>
#include <string>

namespace plat {

// Creates `path` as a new empty file, readable and writable by the user only,
// and opens it for writing in binary mode. An earlier file of that name is
// removed first; a symbolic link there is removed, never followed, so nothing
// outside the name is ever written. The file is created exclusively: when
// something else takes the name in between, the call fails. Null on failure,
// with *error (when given) naming the file and the reason.
std::FILE* CreateNewFile(const std::string& path, std::string* error);

} // namespace plat
