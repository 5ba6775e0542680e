// The product version from the program's own version resource, read as the
// wizard's title has always read it: the first translation of
// "\VarFileInfo\Translation" (language 0, code page 0 without one), then
// "\StringFileInfo\<language><code page>\ProductVersion".
#include "platform/system/product_version.h"
#include "platform/system/program.h"
#include "platform/win32/windows_api.h"

#include <cstdio>
#include <vector>

namespace {

std::string VersionOfFile(const std::string& file) {
    ::DWORD ignored = 0;
    const ::DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<unsigned char> info(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, info.data()))
        return {};
    unsigned language = 0;
    unsigned codePage = 0;
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &length) &&
        length >= 2 * sizeof(WORD)) {
        const auto* words = static_cast<const WORD*>(value);
        language = words[0];
        codePage = words[1];
    }
    char query[64];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\ProductVersion", language,
                  codePage);
    if (!VerQueryValueA(info.data(), query, &value, &length) || length == 0)
        return {};
    // The length counts the closing NUL where there is one.
    std::string text(static_cast<const char*>(value), length);
    const auto end = text.find('\0');
    return end == std::string::npos ? text : text.substr(0, end);
}

} // namespace

namespace plat {

std::string SystemProductVersion() {
    return VersionOfFile(GetModuleFileName());
}

} // namespace plat
