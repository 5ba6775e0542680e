// CVendrelParms: Init, the path macros and their expansion.
#include "config/Registry.h"
#include "config/VendrelParms.h"

#include "platform/files/directories.h"
#include "platform/files/paths.h"
#include "platform/system/optical_drives.h"
#include "platform/system/program.h"

namespace {

// Limits of the expansion, so macro values that name macros themselves
// cannot make it run away: alternatives kept, and rounds of replacement.
constexpr std::size_t kMaxAlternatives = 256;
constexpr std::size_t kMaxRounds = 256;

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

void DropTrailingSeparator(std::string& path) {
    if (!path.empty() && IsSeparator(path.back()))
        path.pop_back();
}

} // namespace

bool CVendrelParms::Init(const VendrelKey* table, bool setDefaults,
                         const std::string& productName) {
    std::string installDir;
    CRegistry reg(plat::HKEY_LOCAL_MACHINE, plat::KEY_ALL_ACCESS);
    if (reg.Open(plat::HKEY_LOCAL_MACHINE, "Software\\Vendrel\\" + productName,
                 plat::KEY_ALL_ACCESS) &&
        !reg.ReadString("InstallDir", installDir))
        installDir.clear();
    DropTrailingSeparator(installDir);
    std::string programDir = plat::GetModuleDirectory();
    DropTrailingSeparator(programDir);
    std::string tempDir = plat::GetTempPath();
    DropTrailingSeparator(tempDir);

    m_macros.clear();
    m_macros.emplace_back("$EXEDIR$", programDir);
    // The user's private temporary directory; without one the macro stays
    // as it is written rather than turn into a relative path.
    if (!tempDir.empty())
        m_macros.emplace_back("$WINDOWSTEMPDIR$", tempDir);
    m_macros.emplace_back("$QRVDIR$", installDir);
    for (const std::string& drive : plat::GetOpticalDrives())
        m_macros.emplace_back("$CD$", drive);

    m_table = table;
    m_keyCount = 0;
    if (table != nullptr)
        while (table[m_keyCount].id != 0)
            ++m_keyCount;
    if (!setDefaults)
        return true;
    for (int i = 0; i < m_keyCount; ++i)
        SetDefault(table[i].id);
    return m_values.size() == static_cast<std::size_t>(m_keyCount);
}

std::string CVendrelParms::Expand(const std::string& text) const {
    std::vector<std::string> work{text};
    std::size_t i = 0;
    std::size_t m = 0;
    std::size_t rounds = 0;
    while (i < work.size() && rounds < kMaxRounds) {
        if (m >= m_macros.size()) {
            ++i;
            m = 0;
            continue;
        }
        const std::string& name = m_macros[m].first;
        bool appended = false;
        for (std::size_t k = m; k < m_macros.size(); ++k) {
            if (m_macros[k].first != name)
                continue;
            std::string value = m_macros[k].second;
            if (!value.empty() && !IsSeparator(value.back()))
                value += plat::kPathSeparator;
            std::string element = work[i];
            bool replaced = false;
            // The search goes on after each inserted value, so a value that
            // contains the macro's own name is not expanded again.
            std::size_t from = 0;
            std::size_t pos;
            while ((pos = element.find(name, from)) != std::string::npos) {
                std::string after = element.substr(pos + name.size());
                if (!after.empty() && IsSeparator(after.front()))
                    after.erase(0, 1);
                element = element.substr(0, pos) + value + after;
                from = pos + value.size();
                replaced = true;
            }
            if (replaced && work.size() < kMaxAlternatives) {
                work.push_back(element);
                appended = true;
            }
        }
        if (appended) {
            ++rounds;
            work.erase(work.begin() + static_cast<std::ptrdiff_t>(i));
            m = 0;
            continue;
        }
        std::size_t next = m + 1;
        while (next < m_macros.size() && m_macros[next].first == name)
            ++next;
        if (next >= m_macros.size()) {
            ++i;
            m = 0;
        } else {
            m = next;
        }
    }
    std::string joined;
    for (std::size_t k = 0; k < work.size(); ++k) {
        if (k > 0)
            joined += ';';
        joined += work[k];
    }
    return joined;
}
