#include "texts/LanguageFileKind.h"

#include "platform/files/paths.h"
#include "platform/text/trim.h"
#include "texts/UiTexts.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

constexpr std::string_view kMarkStart = "; Pelmora wrote this file with its texts in ";
constexpr std::string_view kCheckStart = ", check ";
constexpr std::size_t kCheckDigits = 16;

// Calls `visit` with the section, key and value of each key line, trimmed;
// headers set the section, comments (';' first) and lines without '=' are
// passed over.
void ForEachKeyLine(
    const CIniFile& file,
    const std::function<void(const std::string&, const std::string&, const std::string&)>& visit) {
    std::string section;
    for (const std::string& line : file.Lines()) {
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (line.empty() || line.front() == ';' || equals == std::string::npos)
            continue;
        visit(section, plat::Trim(line.substr(0, equals)), plat::Trim(line.substr(equals + 1)));
    }
}

bool IsText(const std::string& bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x20 && !plat::IsBlank(c))
            return false;
    }
    return true;
}

// The entry of the table named section/key, or null.
const UiTextEntry* FindEntry(const std::string& section, const std::string& key,
                             std::size_t* index = nullptr) {
    for (std::size_t i = 0; i < UiTextCount(); ++i) {
        const UiTextEntry& entry = UiTextEntryAt(i);
        if (section == entry.section && key == entry.key) {
            if (index != nullptr)
                *index = i;
            return &entry;
        }
    }
    return nullptr;
}

bool HoldsATextOfTheTable(CIniFile& file) {
    // No value of a text file holds this byte: a key the file lacks.
    const std::string absent(1, '\x01');
    file.SetNotFoundValue(absent);
    bool found = false;
    for (std::size_t i = 0; i < UiTextCount() && !found; ++i)
        found = file.GetString(UiTextEntryAt(i).section, UiTextEntryAt(i).key) != absent;
    file.SetNotFoundValue("");
    return found;
}

// Exactly the built-in English: every key line a text of the table with its
// default, and every text of the design there.
bool IsBuiltInEnglish(const CIniFile& file) {
    bool english = true;
    std::size_t designTexts = 0;
    ForEachKeyLine(
        file, [&](const std::string& section, const std::string& key, const std::string& value) {
            std::size_t index = 0;
            const UiTextEntry* entry = FindEntry(section, key, &index);
            const bool builtIn =
                entry != nullptr &&
                (plat::Trim(entry->defaultText) == value ||
                 (entry->earlierDefault != nullptr && plat::Trim(entry->earlierDefault) == value));
            if (!builtIn)
                english = false;
            else if (index < DesignUiTextCount())
                ++designTexts;
        });
    return english && designTexts == DesignUiTextCount();
}

// The mark on the first line: language and check, else false.
bool ReadMark(const CIniFile& file, LanguageFileState& state) {
    if (file.Lines().empty())
        return false;
    const std::string& line = file.Lines().front();
    if (line.rfind(kMarkStart, 0) != 0)
        return false;
    const std::size_t checkAt = line.find(kCheckStart, kMarkStart.size());
    if (checkAt == std::string::npos || checkAt == kMarkStart.size())
        return false;
    const std::size_t digitsAt = checkAt + kCheckStart.size();
    if (line.size() != digitsAt + kCheckDigits + 1 || line.back() != '.')
        return false;
    state.language = line.substr(kMarkStart.size(), checkAt - kMarkStart.size());
    state.check = line.substr(digitsAt, kCheckDigits);
    return true;
}

} // namespace

bool IsUnusable(LanguageFileKind kind) {
    return kind == LanguageFileKind::NotReadable || kind == LanguageFileKind::NotText ||
           kind == LanguageFileKind::NoTexts;
}

LanguageFileState ExamineLanguageFile(const std::string& path, CIniFile& file) {
    LanguageFileState state;
    if (path.empty() || !plat::FileExists(path))
        return state;
    std::ifstream in(plat::NativePath(path), std::ios::binary);
    std::ostringstream bytes;
    if (in)
        bytes << in.rdbuf();
    if (!in || in.bad() || !file.Open(path)) {
        state.kind = LanguageFileKind::NotReadable;
        return state;
    }
    if (!IsText(bytes.str())) {
        state.kind = LanguageFileKind::NotText;
        return state;
    }
    if (!HoldsATextOfTheTable(file)) {
        state.kind = LanguageFileKind::NoTexts;
        return state;
    }
    if (ReadMark(file, state)) {
        state.kind = state.check == LanguageFileCheck(file) ? LanguageFileKind::Written
                                                            : LanguageFileKind::Users;
        return state;
    }
    state.kind = IsBuiltInEnglish(file) ? LanguageFileKind::Written : LanguageFileKind::Users;
    if (state.kind == LanguageFileKind::Written)
        state.language = "en";
    return state;
}

std::string LanguageFileCheck(const CIniFile& file) {
    // 64-bit FNV-1a over section, key and value of each key line, each
    // followed by a NUL byte.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    const auto add = [&hash](const std::string& text) {
        for (const char c : text) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 0x100000001b3ULL;
        }
        hash *= 0x100000001b3ULL; // the NUL after it
    };
    ForEachKeyLine(
        file, [&](const std::string& section, const std::string& key, const std::string& value) {
            add(section);
            add(key);
            add(value);
        });
    std::string digits(kCheckDigits, '0');
    for (std::size_t i = kCheckDigits; i-- > 0; hash >>= 4)
        digits[i] = "0123456789abcdef"[hash & 0xF];
    return digits;
}

std::string LanguageFileMark(const std::string& language, const std::string& check) {
    return std::string(kMarkStart) + language + std::string(kCheckStart) + check + ".";
}

std::string LanguageFileNote() {
    return "; Edit it to translate the wizard: once changed, it is yours, read before the "
           "language of your desktop and never rewritten.";
}
