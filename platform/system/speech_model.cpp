// Finding a speech recogniser's model of a language among the models of the
// system, by the layout the recogniser's packages install.
#include "platform/system/speech_recogniser.h"

#include "platform/text/text_case.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace plat {

namespace {

namespace fs = std::filesystem;

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// "en", "en-us", "en_US" are models of "en"; "eng" and "en-us.lm.bin" are not.
bool NamesLanguage(const std::string& name, const std::string& language) {
    const std::string folded = FoldAscii(name);
    if (folded == language)
        return true;
    return folded.size() > language.size() + 1 &&
           folded.compare(0, language.size(), language) == 0 &&
           (folded[language.size()] == '-' || folded[language.size()] == '_') &&
           folded.find('.') == std::string::npos;
}

std::vector<fs::path> SortedEntries(const fs::path& directory) {
    std::vector<fs::path> entries;
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

// An acoustic model holds all of these. The recogniser ends the process on
// a model it cannot read, so an incomplete one is never handed to it.
bool IsAcousticModel(const fs::path& directory) {
    std::error_code ec;
    for (const char* part : {"mdef", "means", "variances", "transition_matrices", "noisedict"})
        if (!fs::is_regular_file(directory / part, ec))
            return false;
    return true;
}

// The model in one language's directory; false when a part is missing.
bool ModelIn(const fs::path& directory, SpeechModel& model) {
    SpeechModel found;
    std::string textModel;
    std::error_code ec;
    for (const fs::path& entry : SortedEntries(directory)) {
        const std::string name = entry.filename().string();
        if (fs::is_directory(entry, ec)) {
            if (found.acoustic.empty() && IsAcousticModel(entry))
                found.acoustic = entry.string();
            continue;
        }
        if (name.find("-phone.") != std::string::npos)
            continue; // phones, not words
        if (found.languageModel.empty() && EndsWith(name, ".lm.bin"))
            found.languageModel = entry.string();
        else if (textModel.empty() && EndsWith(name, ".lm"))
            textModel = entry.string();
        else if (found.dictionary.empty() && EndsWith(name, ".dict"))
            found.dictionary = entry.string();
    }
    if (found.languageModel.empty())
        found.languageModel = textModel;
    if (found.acoustic.empty() || found.languageModel.empty() || found.dictionary.empty())
        return false;
    model = found;
    return true;
}

} // namespace

bool FindSpeechModel(const std::string& root, const std::string& language, SpeechModel& model) {
    const std::string code = FoldAscii(language);
    if (root.empty() || code.empty())
        return false;
    std::error_code ec;
    for (const fs::path& entry : SortedEntries(fs::path(root)))
        if (fs::is_directory(entry, ec) && NamesLanguage(entry.filename().string(), code) &&
            ModelIn(entry, model)) {
            model.language = code;
            return true;
        }
    return false;
}

} // namespace plat
