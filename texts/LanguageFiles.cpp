#include "texts/LanguageFiles.h"

#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/system/program.h"
#include "platform/system/user_languages.h"

namespace {

bool IsEnglish(const std::string& language) {
    return language == "en" || language.rfind("en_", 0) == 0 || language.rfind("en-", 0) == 0;
}

} // namespace

LanguageFiles FindLanguageFiles(const std::string& programPath, const std::string& configDirectory,
                                const std::string& dataDirectory,
                                const std::vector<std::string>& languages) {
    const std::size_t slash = programPath.rfind(plat::kPathSeparator);
    const std::string name =
        slash == std::string::npos ? programPath : programPath.substr(slash + 1);
    const std::string directory =
        slash == std::string::npos ? std::string() : programPath.substr(0, slash + 1);

    LanguageFiles files;
    files.besideProgram = directory + name + ".INI";
    if (!configDirectory.empty())
        files.userFile = plat::WithTrailingSeparator(configDirectory) + "pelmora" +
                         plat::kPathSeparator + name + ".INI";
    if (dataDirectory.empty())
        return files;
    const std::string shipped = plat::WithTrailingSeparator(dataDirectory) + "pelmora" +
                                plat::kPathSeparator + "lang" + plat::kPathSeparator;
    for (const std::string& language : languages) {
        if (IsEnglish(language))
            break;
        if (plat::FileExists(shipped + language + ".INI")) {
            files.translation = shipped + language + ".INI";
            break;
        }
    }
    return files;
}

LanguageFiles LanguageFilesOfThisRun() {
    return FindLanguageFiles(plat::GetModuleFileName(), plat::GetConfigDirectory(),
                             plat::GetDataDirectory(), plat::GetUserLanguages());
}
