// The user's default locale ("de-DE").
#include "platform/system/system_locale.h"

#include "platform/win32/windows_api.h"

namespace plat {

std::string SystemLanguageEntry() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH];
    if (::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) <= 0)
        return {};
    std::string entry;
    for (const wchar_t* c = name; *c != 0; ++c)
        entry.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
    return entry;
}

} // namespace plat
