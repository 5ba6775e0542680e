#include "app/MixerReport.h"

#include "mixer/MixerTools.h"

#include <sstream>
#include <string_view>

namespace {

struct Words {
    std::string_view french;
    std::string_view english;
};

// The beginnings of the walk's lines (mixer/InfoMix.cpp), longest first where
// one begins another; "n°" follows them as "#".
constexpr Words kBeginnings[] = {
    {"Nombre de Mixers : ", "Mixers: "},
    {"Nombre de contrôles : ", "Controls: "},
    {"Nombre de lignes source ", "Source lines: "},
    {"Nombre d'item : ", "Items: "},
    {"Version driver : ", "Driver version: "},
    {"Dest Lines : ", "Destination lines: "},
    {"Nom court : ", "Short name: "},
    {"Nom : ", "Name: "},
    {"Type : ", "Type: "},
    {"-> Controle n°", "-> Control #"},
};

// Words inside the banner lines ("*****Mixer n°0*****").
constexpr Words kInside[] = {
    {"Ligne de destination n°", "Destination line #"},
    {"Ligne source n°", "Source line #"},
    {"Mixer n°", "Mixer #"},
};

} // namespace

std::string EnglishReportLine(const std::string& line) {
    // The item lines are indented.
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos)
        return line;
    const std::string_view text = std::string_view(line).substr(start);
    const std::string indent = line.substr(0, start);
    for (const Words& words : kBeginnings) {
        if (!text.starts_with(words.french))
            continue;
        std::string rest(text.substr(words.french.size()));
        // The driver's version is "major,minor".
        if (words.french.starts_with("Version"))
            for (char& c : rest)
                if (c == ',')
                    c = '.';
        return indent + std::string(words.english) + rest;
    }
    for (const Words& words : kInside) {
        const std::size_t at = line.find(words.french);
        if (at != std::string::npos)
            return line.substr(0, at) + std::string(words.english) +
                   line.substr(at + words.french.size());
    }
    return line;
}

int ReportMixerInEnglish(std::ostream& out) {
    std::ostringstream french;
    const int result = ReportMixer(french);
    std::istringstream lines(french.str());
    for (std::string line; std::getline(lines, line);)
        out << EnglishReportLine(line) << '\n';
    out.flush();
    return result;
}
