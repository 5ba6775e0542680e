// The table of texts the wizard shows from its own code, each named by a
// section and a key ("PropP2", "K13"), with English defaults built in and
// replaced from a language file or a shipped translation.
#pragma once

#include "texts/LanguageFiles.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

// The text of section/key. Unknown names are a programming error (assert) and
// give "".
const std::string& UiText(const char* section, const char* key);

// Loads the texts of the run from its language files (texts/LanguageFiles.h,
// each examined as texts/LanguageFileKind.h says): the first that is the
// user's own (the file beside the program, else the one in his config
// directory), read as it is; else the shipped translation for the user's
// language; else the built-in English. A file the program wrote and nobody
// changed since is passed over, so the user's language chooses. A file read
// replaces every text by its (trimmed) value, an absent section or key
// leaving that text empty (the texts added later keep their default
// instead). A file that is no language file (unreadable, not text, none of
// the texts) is passed over and reported. The user's file in the config
// directory (its directories made 0700) then receives the texts in use, with
// the program's mark, when it is missing or still the program's and holds
// other texts; nothing is ever written beside the program. The texts keep
// the file's bytes (UTF-8 or Windows-1252); the framework shows either.
// Once per run: once the texts were loaded, here or by LoadUiTextsFrom,
// later calls keep them. May be called before the sheet exists (the start of
// a run that asks the user something first); a file it cannot use is shown
// in a message box (texts/RunTexts.cpp), so the GUI must be up.
void LoadUiTexts();
// The same steps on the given files, every time it is called, without the
// message box (LanguageFileProblem() holds its text).
void LoadUiTextsFrom(const LanguageFiles& files);
// The same with `path` as the user's file (no file beside the program, no
// translation): read when it is his, written when missing.
void LoadUiTextsFrom(const std::string& path);
// Back to the built-in defaults, as at the start of a run.
void ResetUiTexts();
// True once the run has its texts (until ResetUiTexts).
bool UiTextsLoaded();
// The file the last load read or made ("" when it used none and made none).
const std::string& LanguageFilePath();
// The message of the last load on the files it could not use, in the texts
// it chose ("" when every file was usable or missing).
const std::string& LanguageFileProblem();

// `text` with each "%s" replaced by the next of `args` and "%%" by "%"; a
// "%s" beyond the arguments and any other '%' stay as they are. Texts from a
// language file never reach printf.
std::string FormatUiText(const std::string& text, std::initializer_list<std::string_view> args);

// The table in the order the language file holds it.
struct UiTextEntry {
    const char* section;
    const char* key;
    const char* defaultText;
    // The default earlier versions had, where it changed (their files hold
    // it); null: the same.
    const char* earlierDefault = nullptr;
};
std::size_t UiTextCount();
const UiTextEntry& UiTextEntryAt(std::size_t index);
// The first DesignUiTextCount() entries follow the rule above; those after
// them were added later and keep their default where the file lacks them or
// holds them empty.
std::size_t DesignUiTextCount();
