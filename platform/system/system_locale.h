// The language the system's locale names for the user, as one entry of the
// form "de_DE.UTF-8" or "de-DE" (see user_languages.h): the
// locale's environment variables on POSIX, the user's default locale on
// Windows. Empty when none is set.
#pragma once

#include <string>

namespace plat {

std::string SystemLanguageEntry();

} // namespace plat
