// The locale's environment variables, the first that is set.
#include "platform/system/system_locale.h"

#include <cstdlib>

namespace plat {

std::string SystemLanguageEntry() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0')
            return value;
    }
    return {};
}

} // namespace plat
