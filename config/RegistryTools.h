// The registry tools of the command line: apply a REGEDIT4 file (a product
// installer or a technician registering an installation) and export a key.
// Both return the program's exit code and explain failures on `err`.
#pragma once

#include <ostream>
#include <string>

int ImportRegistryFile(const std::string& path, std::ostream& out, std::ostream& err);
// `key` is a root name and a path: "HKEY_LOCAL_MACHINE\SOFTWARE\Vendrel"
// (HKLM, HKCU, HKCR, HKU and HKCC are accepted for the roots; '/' may stand
// for '\').
int ExportRegistryKey(const std::string& key, const std::string& path, std::ostream& out,
                      std::ostream& err);
