// The languages the user reads, from the locale's environment variables (see
// user_languages.h).
#include "platform/system/user_languages.h"
#include "platform/system/system_locale.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace plat {

namespace {

bool IsLanguageName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-';
    });
}

void Add(std::vector<std::string>& languages, std::string_view name) {
    if (std::find(languages.begin(), languages.end(), name) == languages.end())
        languages.emplace_back(name);
}

// "de_DE.UTF-8@euro" adds "de_DE" then "de".
void AddEntry(std::vector<std::string>& languages, std::string_view entry) {
    entry = entry.substr(0, entry.find_first_of(".@"));
    if (entry == "C" || entry == "POSIX")
        entry = "en";
    if (!IsLanguageName(entry))
        return;
    Add(languages, entry);
    const std::size_t territory = entry.find_first_of("_-");
    if (territory != std::string_view::npos && territory > 0)
        Add(languages, entry.substr(0, territory));
}

} // namespace

std::vector<std::string> GetUserLanguages() {
    std::vector<std::string> languages;
    if (const char* list = std::getenv("LANGUAGE")) {
        std::string_view rest = list;
        while (!rest.empty()) {
            const std::size_t colon = rest.find(':');
            AddEntry(languages, rest.substr(0, colon));
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
    }
    AddEntry(languages, SystemLanguageEntry());
    return languages;
}

} // namespace plat
