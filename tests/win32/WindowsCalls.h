// The few Windows calls the tests make themselves, behind plain functions, so
// a test file sees our platform headers and never the system's macros.
#pragma once

#include <string>

namespace wintest {

bool SetReadOnly(const std::string& path, bool readOnly);
bool MakeHardLink(const std::string& link, const std::string& existing);
unsigned long CurrentProcessId();

} // namespace wintest
