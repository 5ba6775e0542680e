// Which files a run takes its texts from, in the order it looks: the
// language file beside the program, the user's own language file, a
// translation shipped with the program for the user's language; the
// built-in English texts last. Only the user's file is ever written: the
// program's directory is read, never written (an installed program's
// belongs to the system).
#pragma once

#include <string>
#include <vector>

struct LanguageFiles {
    // The program's directory + its file name + ".INI", as the design has
    // it: read when a user put his own file there.
    std::string besideProgram;
    // <config directory>pelmora/<program file name>.INI, the file a run
    // writes; empty when the user has no config directory.
    std::string userFile;
    // <data directory>pelmora/lang/<language>.INI for the first of the
    // user's languages that has one; empty when English comes first or none
    // is shipped.
    std::string translation;
};

// The files of a program at `programPath`, with the user's config
// directory, the installation's data directory (both with a trailing
// separator, or empty) and the user's languages, best first. English ("en",
// "en_GB" …) is built in: a translation is only looked for before it.
LanguageFiles FindLanguageFiles(const std::string& programPath, const std::string& configDirectory,
                                const std::string& dataDirectory,
                                const std::vector<std::string>& languages);

// The files of the running program, from its path, the environment and the
// data directory found from the program's directory.
LanguageFiles LanguageFilesOfThisRun();
