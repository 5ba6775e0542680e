// The Windows headers for platform/win32, with the headers' macros that
// would rename our own calls taken away again: the files here call the A
// (code page) and W functions by their full names.
#pragma once

#include <windows.h>

#undef CreateDirectory
#undef DeleteFile
#undef GetModuleFileName
#undef GetTempPath
#undef LoadLibrary
#undef PlaySound
#undef RegCreateKeyEx
#undef RegDeleteKey
#undef RegDeleteValue
#undef RegEnumKeyEx
#undef RegEnumValue
#undef RegOpenKeyEx
#undef RegQueryInfoKey
#undef RegQueryValueEx
#undef RegSetValueEx
