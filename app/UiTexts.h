// The table of texts the wizard shows from its own code, each named by a
// section and a key ("PropP2", "K13"), with English defaults built in and
// replaced from the language file next to the program.
#pragma once

#include <cstddef>
#include <string>

// The text of section/key. Unknown names are a programming error (assert) and
// give "".
const std::string& UiText(const char* section, const char* key);

// The language file is the executable's file name + ".INI", next to the
// executable. An existing file replaces every text by its (trimmed) value, an
// absent section or key leaving that text empty; a missing file is created
// with the current texts; a file that cannot be created leaves them in use.
// The texts keep the file's bytes (UTF-8 or Windows-1252); the framework
// shows either. Reads once per run (from the sheet's OnInitDialog): once the
// texts were loaded, here or by LoadUiTextsFrom, later calls keep them.
void LoadUiTexts();
// The same steps on a given path, every time it is called.
void LoadUiTextsFrom(const std::string& path);
// Back to the built-in defaults, as at the start of a run.
void ResetUiTexts();
// The path used by the last LoadUiTexts/LoadUiTextsFrom ("" before).
const std::string& LanguageFilePath();

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
