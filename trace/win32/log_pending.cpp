// The Windows library's log before the Windows file services are part of the
// build: there is no private directory, so the lines stay in memory and the
// list says why.
#include "platform/files/directories.h"
#include "platform/files/log_file.h"

namespace plat {

std::string GetTempPath(std::string* error) {
    if (error != nullptr)
        *error = "this build keeps the trace in memory only";
    return {};
}

bool CLogFile::Open(const std::string&, std::string* error) {
    if (error != nullptr)
        *error = "this build keeps the trace in memory only";
    return false;
}

bool CLogFile::Append(std::string_view, std::string*) {
    return false;
}

void CLogFile::Close() {}

} // namespace plat
