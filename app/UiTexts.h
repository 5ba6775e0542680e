// The table of texts the wizard shows from its own code, each named by a
// section and a key ("PropP2", "K13"), with English defaults built in and
// replaced from a language file or a shipped translation.
#pragma once

#include "app/LanguageFiles.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

// The text of section/key. Unknown names are a programming error (assert) and
// give "".
const std::string& UiText(const char* section, const char* key);

// Loads the texts of the run from the first of its language files
// (app/LanguageFiles.h) that exists: the file beside the program, else the
// user's own file, each read as it is; else a shipped translation for the
// user's language; else the built-in English. A file read replaces every
// text by its (trimmed) value, an absent section or key leaving that text
// empty (the texts added later keep their default instead); an unreadable
// one leaves the texts in use. When neither of the user's files exists, the
// texts in use (English or the translation) are written to a new file beside
// the program, else, where that cannot be created, to the user's file (its
// directories made 0700), else nowhere. The texts keep the file's bytes
// (UTF-8 or Windows-1252); the framework shows either. Reads once per run
// (from the sheet's OnInitDialog): once the texts were loaded, here or by
// LoadUiTextsFrom, later calls keep them.
void LoadUiTexts();
// The same steps on the given files, every time it is called.
void LoadUiTextsFrom(const LanguageFiles& files);
// The same on one file beside the program (no user's file, no translation).
void LoadUiTextsFrom(const std::string& path);
// Back to the built-in defaults, as at the start of a run.
void ResetUiTexts();
// The file the last load read or made ("" when it used none and made none).
const std::string& LanguageFilePath();

// `text` with each "%s" replaced by the next of `args` and "%%" by "%"; a
// "%s" beyond the arguments and any other '%' stay as they are. Texts from a
// language file never reach printf.
std::string FormatUiText(const std::string& text, std::initializer_list<std::string_view> args);

// The table in the order the language file holds it.
struct UiTextEntry {
    const char* section;
    const char* key;
    const char* defaultText;
};
std::size_t UiTextCount();
const UiTextEntry& UiTextEntryAt(std::size_t index);
// The first DesignUiTextCount() entries follow the rule above; those after
// them were added later and keep their default where the file lacks them or
// holds them empty.
std::size_t DesignUiTextCount();
