// Libraries loaded at run time: ours by their Windows names, the system's by
// their file names.
#pragma once

#include "platform/types.h"

#include <string>

namespace plat {

// Loads a shared library at run time. A Windows name such as "Trace.dll" maps
// to this platform's file name ("libTrace.so"), searched next to the program
// first (the build tree), then in the program's install library directory
// (found from the program's directory, e.g. bin/../lib/pelmora), then on the
// default search path. A name with a directory is loaded from there only.
// Null on failure.
HMODULE LoadLibrary(const char* name);
void* GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);

// Loads a library of the system by its file name ("libcurl.so.4") from the
// default search path only, when it is first needed rather than at the start
// of the program. Null with `error` set to the loader's reason on failure.
// platform/system/library_functions.h binds its functions.
HMODULE LoadSystemLibrary(const char* file, std::string& error);

} // namespace plat
