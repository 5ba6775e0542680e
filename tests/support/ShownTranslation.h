// The bytes of the language file a run writes from a shipped translation:
// the translation's lines in their order, where a text that a line holds for
// this system ("K4@Linux=…") replaces the common line of its key in the
// same section, and the lines of other systems are left out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

inline std::string ShownTranslation(const std::string& shipped) {
#ifdef _WIN32
    const std::string system = "@Windows=";
#else
    const std::string system = "@Linux=";
#endif
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < shipped.size();) {
        std::size_t end = shipped.find("\r\n", start);
        end = end == std::string::npos ? shipped.size() : end + 2;
        lines.push_back(shipped.substr(start, end - start));
        start = end;
    }
    std::string shown;
    std::size_t sectionStart = 0;
    std::vector<std::string> kept;
    for (const std::string& line : lines) {
        if (!line.empty() && line[0] == '[')
            sectionStart = kept.size();
        const std::size_t equals = line.find('=');
        const std::size_t at = line.find('@');
        if (line[0] == '[' || at == std::string::npos || equals < at) {
            kept.push_back(line);
            continue;
        }
        // Another system's text is not shown here.
        if (line.compare(at, system.size(), system) != 0)
            continue;
        const std::string common = line.substr(0, at) + "=";
        for (std::size_t i = sectionStart; i < kept.size(); ++i)
            if (kept[i].rfind(common, 0) == 0)
                kept[i] = common + line.substr(at + system.size());
    }
    for (const std::string& line : kept)
        shown += line;
    return shown;
}
