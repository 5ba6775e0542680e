// CRegistry: REGEDIT4 export and import, file-type registration, searches.
#include "config/Registry.h"

#include "platform/archive/little_endian.h"
#include "platform/files/file_writer.h"
#include "platform/files/paths.h"
#include "platform/registry/registry_batch.h"
#include "platform/text/trim.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

using namespace plat;

namespace {

constexpr std::size_t kLineLimit = 5120;
constexpr std::size_t kSectionLimit = 32767;

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Appends the bytes of a hex value: two lower-case digits each, separated by
// commas, wrapped with "\\\n  " once the column passes 76.
void AppendHexBytes(std::string& line, const std::vector<BYTE>& data, std::size_t column) {
    static const char digits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0 && column > 76) {
            line += "\\\n  ";
            column = 2;
        }
        line += digits[data[i] >> 4];
        line += digits[data[i] & 15];
        if (i + 1 < data.size()) {
            line += ',';
            column += 3;
        } else {
            column += 2;
        }
    }
}

// Text mode: every newline goes out as CR LF.
bool WriteTextFile(const std::string& path, const std::string& text, std::string& error) {
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return SaveFileContents(path, crlf, &error);
}

struct Line {
    int number; // in the file, from 1
    std::string text;
};

struct Section {
    Line name;
    std::vector<Line> entries;
};

// The sections of an INI-form file and their entry lines, as the profile
// functions give them: trimmed, blank lines and comments left out. `in` stands
// after the file's first line.
std::vector<Section> ReadSections(std::istream& in) {
    std::vector<Section> sections;
    std::string line;
    int number = 1;
    while (std::getline(in, line)) {
        ++number;
        line = Trim(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            sections.push_back(Section{
                Line{number,
                     line.substr(1, close == std::string::npos ? std::string::npos : close - 1)},
                {}});
        } else if (!sections.empty()) {
            sections.back().entries.push_back(Line{number, std::move(line)});
        }
    }
    return sections;
}

// A section's root and the sub-key path below it; the root is null when the
// text before the first backslash names none.
struct SectionKey {
    HKEY root;
    std::string sub;
};

SectionKey KeyOf(const Section& section) {
    const std::string& name = section.name.text;
    const std::size_t slash = name.find('\\');
    return SectionKey{CRegistry::RootFromName(name.substr(0, slash)),
                      slash == std::string::npos ? std::string() : name.substr(slash + 1)};
}

// Keeps the first problem of an import.
void Note(std::string* why, int line, const std::string& what) {
    if (why != nullptr && why->empty())
        *why = "line " + std::to_string(line) + ": " + what;
}

// The registry's reason for the last failed call, or its result code.
std::string Reason(LONG result) {
    const std::string hive = RegHiveError();
    return hive.empty() ? "error " + std::to_string(result) : hive;
}

// Stores the sections' strings and dwords; false (with the first problem in
// *why) when a section or a value could not be stored, or the import stopped
// at a section too large.
bool ApplySections(const std::vector<Section>& sections, std::string* why) {
    bool ok = true;
    for (const Section& section : sections) {
        std::size_t bytes = 1;
        for (const Line& e : section.entries)
            bytes += e.text.size() + 1;
        if (bytes > kSectionLimit) {
            Note(why, section.name.number,
                 "a section of more than " + std::to_string(kSectionLimit) +
                     " bytes; the import stopped there");
            return false;
        }
        const SectionKey where = KeyOf(section);
        if (where.root == nullptr) {
            // This section cannot be applied; the others still are.
            Note(why, section.name.number, "unknown root key; that section was left out");
            ok = false;
            continue;
        }
        HKEY key = nullptr;
        const LONG created =
            RegCreateKeyEx(where.root, where.sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (created != ERROR_SUCCESS) {
            Note(why, section.name.number,
                 "the key cannot be created (" + Reason(created) + "); that section was left out");
            ok = false;
            continue;
        }
        for (const Line& entry : section.entries) {
            const std::size_t eq = entry.text.find('=');
            if (eq == std::string::npos)
                continue;
            const std::string rawName = entry.text.substr(0, eq);
            const std::string name =
                rawName.size() >= 2 ? rawName.substr(1, rawName.size() - 2) : std::string();
            const std::string value = entry.text.substr(eq + 1);
            LONG stored = ERROR_SUCCESS;
            if (!value.empty() && value[0] == '"') {
                const std::string text =
                    value.size() >= 2 ? value.substr(1, value.size() - 2) : std::string();
                stored = RegSetValueEx(key, name.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(text.c_str()),
                                       static_cast<DWORD>(text.size() + 1));
            } else if (value.compare(0, 6, "dword:") == 0) {
                const std::string digits = Upper(value.substr(6));
                const DWORD d = static_cast<DWORD>(std::strtoul(digits.c_str(), nullptr, 16));
                BYTE bytes4[4];
                PutLe32(bytes4, d);
                stored = RegSetValueEx(key, name.c_str(), 0, REG_DWORD, bytes4, 4);
            }
            // hex: and hex(n): values are not imported.
            if (stored != ERROR_SUCCESS) {
                Note(why, entry.number, "the value cannot be stored (" + Reason(stored) + ")");
                ok = false;
            }
        }
        RegCloseKey(key);
    }
    return ok;
}

} // namespace

bool CRegistry::ExportKey(std::string& out) {
    out += "[" + m_rootName + m_path + "]\n";
    std::vector<std::string> names;
    if (!EnumValues(names))
        return false;
    for (const std::string& name : names) {
        std::string line = name.empty() ? "@=" : "\"" + name + "\"=";
        std::vector<BYTE> data;
        DWORD type = REG_NONE;
        if (!QueryValue(name, data, type))
            return false;
        if (type == REG_SZ) {
            const auto* text = reinterpret_cast<const char*>(data.data());
            std::size_t len = 0;
            while (len < data.size() && text[len] != 0)
                ++len;
            line += "\"" + std::string(text, len) + "\"";
        } else if (type == REG_DWORD && data.size() >= 4) {
            char buf[24];
            std::snprintf(buf, sizeof buf, "dword:%08x", Le32(data.data()));
            line += buf;
        } else {
            // The type of hex(n) in hexadecimal, as REGEDIT4 readers take it.
            char prefix[24] = "hex:";
            if (type != REG_BINARY)
                std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
            const std::size_t column = line.size() + std::strlen(prefix);
            line += prefix;
            AppendHexBytes(line, data, column);
        }
        out += line + "\n";
    }
    out += "\n";
    std::vector<std::string> subKeys;
    if (!EnumSubKeys(subKeys))
        return false;
    for (const std::string& sub : subKeys) {
        if (!OpenSubKey(sub) || !ExportKey(out))
            return false;
        if (!GoUp(1))
            return false;
    }
    return true;
}

bool CRegistry::ExportRegFile(const std::string& path) {
    std::string text = "REGEDIT4\n\n";
    RegBatch batch; // one reading of the hive for the whole walk
    const bool ok = ExportKey(text);
    batch.End();
    m_fileError.clear();
    return WriteTextFile(path, text, m_fileError) && ok;
}

bool CRegistry::ImportRegFile(const std::string& path, std::string* why) {
    if (why != nullptr)
        why->clear();
    std::ifstream in(NativePath(path), std::ios::binary);
    if (!in) {
        if (why != nullptr)
            *why = "cannot be opened";
        return false;
    }
    std::string first;
    std::getline(in, first);
    if (first.size() > kLineLimit)
        first.resize(kLineLimit);
    if (Trim(first) != "REGEDIT4") {
        Note(why, 1, "the file does not start with REGEDIT4");
        return false;
    }
    const std::vector<Section> sections = ReadSections(in);
    // A key path the registry cannot hold refuses the whole file before
    // anything is changed.
    for (const Section& section : sections) {
        const SectionKey key = KeyOf(section);
        if (key.root == nullptr)
            continue;
        const std::string fault = RegKeyPathFault(key.sub);
        if (!fault.empty()) {
            Note(why, section.name.number, fault + "; nothing was imported");
            return false;
        }
    }
    // The whole file is applied in memory and the hive written once; a hive
    // that cannot be written keeps what it held.
    RegBatch batch;
    bool ok = ApplySections(sections, why);
    const LONG stored = batch.End();
    if (stored != ERROR_SUCCESS) {
        if (why != nullptr)
            *why = "was not imported (" + Reason(stored) + ")";
        ok = false;
    }
    return ok;
}

bool CRegistry::RegisterFileType(const std::string& extension, const std::string& programPath,
                                 const std::string& typeName, bool overwrite) {
    RegBatch batch; // the four keys reach the hive together
    CRegistry classes(HKEY_CLASSES_ROOT, KEY_ALL_ACCESS);
    if (!classes.Open(HKEY_CLASSES_ROOT, "", KEY_ALL_ACCESS))
        return false;
    const std::string dotted = "." + extension;
    if (!overwrite && classes.OpenSubKey(dotted))
        return false;
    const std::string command = "\"" + programPath + "\" \"%1\"";
    const std::pair<std::string, std::string> entries[] = {
        {dotted, typeName},
        {typeName + "\\DefaultIcon", programPath + ", 1"},
        {typeName + "\\shell\\Open\\command", command},
        {typeName + "\\shell\\OpenAs\\command", command},
    };
    for (const auto& [keyPath, value] : entries) {
        CRegistry reg(HKEY_CLASSES_ROOT, KEY_ALL_ACCESS);
        if (!reg.Open(HKEY_CLASSES_ROOT, "", KEY_ALL_ACCESS) || !reg.CreateSubKey(keyPath) ||
            !reg.WriteString("", value))
            return false;
    }
    return batch.End() == ERROR_SUCCESS;
}

namespace {

// Depth-first search; stops after the first match when `first` is set. `path`
// grows by one name on the way down and is put back on the way up, so the walk
// holds one copy of it however deep the keys go.
bool Search(HKEY root, std::string& path, const std::string& valueName,
            const std::string& wantedUpper, bool first, std::vector<std::string>& list) {
    CRegistry reg(root, KEY_READ);
    if (!reg.Open(root, path, KEY_READ))
        return false;
    std::string text;
    if (reg.ReadString(valueName, text) && Upper(text) == wantedUpper) {
        list.push_back(path);
        if (first)
            return true;
    }
    std::vector<std::string> subKeys;
    reg.EnumSubKeys(subKeys); // the names enumerated before a failure are searched
    reg.Close();
    const std::size_t length = path.size();
    for (const std::string& sub : subKeys) {
        if (length > 0)
            path += '\\';
        path += sub;
        const bool found = Search(root, path, valueName, wantedUpper, first, list);
        path.resize(length);
        if (found && first)
            return true;
    }
    return false;
}

} // namespace

void CRegistry::FindKeysWithValue(HKEY root, const std::string& path, const std::string& valueName,
                                  const std::string& wanted, std::vector<std::string>& list) {
    std::string start = path;
    RegBatch batch; // one reading of the hive for the whole walk
    Search(root, start, valueName, Upper(wanted), false, list);
}

std::string CRegistry::FindFirstKeyWithValue(HKEY root, const std::string& path,
                                             const std::string& valueName,
                                             const std::string& wanted) {
    std::vector<std::string> list;
    std::string start = path;
    RegBatch batch;
    Search(root, start, valueName, Upper(wanted), true, list);
    return list.empty() ? std::string() : list.front();
}
