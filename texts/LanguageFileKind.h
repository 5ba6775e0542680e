// What a language file on disk is, before its texts are used: missing, not a
// language file at all, one the program wrote and nobody changed since, or
// the user's own.
//
// The file the program writes begins with a mark, a comment naming the
// language of its texts and a check of them:
//     ; Pelmora wrote this file with its texts in de, check 0123456789abcdef.
// The check covers every key line (section, key and value, each trimmed;
// comments, blank lines and line ends aside), so a file whose texts were
// edited no longer matches and is the user's. A file without a mark is the
// user's too, unless it holds exactly the built-in English texts and every
// text of the design, as the program's first runs wrote it before it marked
// its files.
//
// A file is not a language file when it cannot be read, when it holds a NUL
// byte or another control byte than the blanks (tab, LF, VT, FF, CR), or when
// none of its key lines is a text of the table.
#pragma once

#include "platform/text/ini_file.h"

#include <string>

enum class LanguageFileKind {
    Missing,     // no file there
    NotReadable, // it cannot be read
    NotText,     // control bytes: not a text file
    NoTexts,     // text, but none of the wizard's texts
    Written,     // the program's own, unchanged since it was written
    Users,       // the user's: used as it is, never rewritten
};

struct LanguageFileState {
    LanguageFileKind kind = LanguageFileKind::Missing;
    // Of a marked file: the language its mark names and the check it holds.
    std::string language;
    std::string check;
};

// True for the kinds a run reports and passes over.
bool IsUnusable(LanguageFileKind kind);

// Reads the file at `path` into `file` (a usable one) and says what it is.
LanguageFileState ExamineLanguageFile(const std::string& path, CIniFile& file);

// The check of the key lines of `file`, as the mark holds it (16 hex digits).
std::string LanguageFileCheck(const CIniFile& file);

// The comment lines a written file begins with, the mark first.
std::string LanguageFileMark(const std::string& language, const std::string& check);
std::string LanguageFileNote();
