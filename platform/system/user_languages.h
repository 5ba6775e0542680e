// The languages the user reads, from the system's locale settings.
#pragma once

#include <string>
#include <vector>

namespace plat {

// The languages the user reads, best first, from the environment: each
// entry of LANGUAGE (a colon list), then the first of LC_ALL, LC_MESSAGES
// and LANG that is set and not empty. Each entry without its codeset and
// modifier ("de_DE.UTF-8@euro"), followed by its bare language ("de_DE",
// "de"); "C" and "POSIX" are "en". Entries with other characters than
// letters, digits, '_' and '-' are skipped; no name appears twice.
std::vector<std::string> GetUserLanguages();

} // namespace plat
