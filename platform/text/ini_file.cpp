#include "platform/text/ini_file.h"

#include "platform/files/file_writer.h"
#include "platform/files/paths.h"
#include "platform/text/text_case.h"
#include "platform/text/trim.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>
#include <system_error>

namespace {

// The line starts with `prefix`, ASCII letters compared regardless of case.
// Bytes of multibyte characters are compared exactly.
bool StartsWithNoCase(const std::string& line, const std::string& prefix) {
    if (line.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (plat::AsciiLower(line[i]) != plat::AsciiLower(prefix[i]))
            return false;
    }
    return true;
}

bool IsHeader(const std::string& line) {
    return !line.empty() && line[0] == '[';
}

// A line of a file's text: its bytes and what ended it ("\r\n", "\n" or,
// at the end of the text, nothing). A CR that ends a line before its LF is
// part of the end, never of the line.
struct TextLine {
    std::string_view bytes;
    std::string_view end;
};

std::vector<TextLine> SplitLines(std::string_view text) {
    std::vector<TextLine> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos) {
            lines.push_back({text.substr(pos), {}});
            break;
        }
        const std::size_t end = eol > pos && text[eol - 1] == '\r' ? eol - 1 : eol;
        lines.push_back({text.substr(pos, end - pos), text.substr(end, eol + 1 - end)});
        pos = eol + 1;
    }
    return lines;
}

// The lines as WriteFile takes them: a byte-order mark goes in front of the
// first line. In a file without the mark, a first line that starts with the
// mark's bytes is written after one blank, so that reading the file back does
// not take them for a mark (the blank is trimmed away again).
std::vector<std::string> WithMark(std::vector<std::string> lines, plat::TextEncoding encoding) {
    if (lines.empty())
        return lines;
    if (encoding == plat::TextEncoding::Utf8WithBom ||
        std::string_view(lines.front()).starts_with(plat::kUtf8Bom))
        lines.front().insert(0, encoding == plat::TextEncoding::Utf8WithBom ? plat::kUtf8Bom : " ");
    return lines;
}

// The new text goes to a complete copy beside the file, which then replaces
// it; a failed write leaves the file as it was and `error` says why.
bool WriteFile(const std::string& path, const std::string& text, std::string& error) {
    return plat::SaveFileContents(path, text, &error);
}

} // namespace

CIniFile::CIniFile(const std::string& path) {
    Open(path);
}

bool CIniFile::Open(const std::string& path) {
    m_lines.clear();
    m_stored.clear();
    m_lineEnd = "\r\n";
    m_index.Build(m_lines);
    m_section = 0;
    m_sectionSelected = false;
    m_currentLine = 0;
    m_opened = false;
    m_encoding = plat::TextEncoding::Utf8;

    if (!plat::FileExists(path))
        return false;
    std::ifstream in(plat::NativePath(path), std::ios::binary);
    if (!in)
        return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        return false;

    const std::string content = bytes.str();
    const plat::TextEncoding encoding = plat::DetectTextEncoding(content);
    std::string_view text = content;
    if (encoding == plat::TextEncoding::Utf8WithBom)
        text.remove_prefix(plat::kUtf8Bom.size());
    const std::vector<TextLine> read = SplitLines(text);
    m_lines.reserve(read.size());
    m_stored.reserve(read.size());
    for (const TextLine& line : read) {
        std::string trimmed = plat::Trim(std::string(line.bytes));
        m_lines.push_back(trimmed.empty() ? std::string(" ") : std::move(trimmed));
        m_stored.push_back({std::string(line.bytes), std::string(line.end), true});
    }
    if (!read.empty() && !read.front().end.empty())
        m_lineEnd = std::string(read.front().end);
    m_index.Build(m_lines);
    m_encoding = encoding;
    m_opened = true;
    return true;
}

bool CIniFile::Save(const std::string& path) const {
    std::vector<std::string> lines;
    lines.reserve(m_lines.size());
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        lines.push_back(m_stored[i].kept ? m_stored[i].bytes : m_lines[i]);
    lines = WithMark(std::move(lines), m_encoding);
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        // A last line read without an end keeps none, unless lines follow it.
        const bool kept = m_stored[i].kept;
        text += kept && (!m_stored[i].end.empty() || i + 1 == lines.size()) ? m_stored[i].end
                                                                            : m_lineEnd;
    }
    return WriteFile(path, text, m_lastError);
}

void CIniFile::StoreNew(std::size_t at) {
    m_stored.insert(m_stored.begin() + static_cast<std::ptrdiff_t>(at), StoredLine{});
}

bool CIniFile::FindSection(const std::string& section) {
    m_sectionSelected = false;
    const std::size_t n = m_lines.size();
    if (n == 0)
        return false;
    if (m_currentLine >= n)
        m_currentLine = 0;
    const std::size_t i = CIniIndex::CanFindSection(section)
                              ? m_index.FindSection(section, m_currentLine)
                              : ScanForSection(section, m_currentLine);
    if (i == npos)
        return false;
    m_section = i;
    m_currentLine = i;
    m_sectionSelected = true;
    return true;
}

// The lines from `from` on, then from the first, whose start is "[" section
// "]" regardless of case.
std::size_t CIniFile::ScanForSection(const std::string& section, std::size_t from) const {
    const std::size_t n = m_lines.size();
    const std::string header = "[" + section + "]";
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = (from + k) % n;
        if (StartsWithNoCase(m_lines[i], header))
            return i;
    }
    return npos;
}

std::size_t CIniFile::SectionEnd(std::size_t header) const {
    const std::size_t next = m_index.NextHeader(header);
    return next == npos ? m_lines.size() : next;
}

std::size_t CIniFile::FindKeyLine(const std::string& key) {
    if (!m_sectionSelected || m_section >= m_lines.size())
        return npos;
    const std::size_t end = SectionEnd(m_section);
    // The scan starts at the current line when it lies in the section, and
    // wraps from the section's end to its header.
    const std::size_t from =
        m_currentLine >= m_section && m_currentLine < end ? m_currentLine : m_section;
    return CIniIndex::CanFindKey(key) ? m_index.FindKey(key, m_section, end, from)
                                      : ScanForKey(key, end, from);
}

// The lines of the current section, which ends before `end`, from `from` on,
// then from its header, whose start is key "=" regardless of case.
std::size_t CIniFile::ScanForKey(const std::string& key, std::size_t end, std::size_t from) const {
    const std::size_t length = end - m_section;
    const std::size_t start = from - m_section;
    const std::string prefix = key + "=";
    for (std::size_t k = 0; k < length; ++k) {
        const std::size_t i = m_section + (start + k) % length;
        if (StartsWithNoCase(m_lines[i], prefix))
            return i;
    }
    return npos;
}

std::string CIniFile::GetValue(const std::string& key) {
    const std::size_t line = FindKeyLine(key);
    if (line == npos)
        return m_notFound;
    m_currentLine = line;
    return plat::Trim(m_lines[line].substr(key.size() + 1));
}

std::string CIniFile::GetString(const std::string& section, const std::string& key) {
    if (!FindSection(section))
        return m_notFound;
    return GetValue(key);
}

long CIniFile::GetLong(const std::string& key) {
    const std::string value = GetValue(key);
    return std::strtol(value.c_str(), nullptr, 10);
}

long CIniFile::GetLong(const std::string& section, const std::string& key) {
    if (!FindSection(section))
        return std::strtol(m_notFound.c_str(), nullptr, 10);
    return GetLong(key);
}

double CIniFile::GetDouble(const std::string& key) {
    std::string value = plat::Trim(GetValue(key));
    const char* first = value.c_str();
    if (*first == '+')
        ++first;
    double number = 0.0;
    // from_chars ignores the locale: the decimal point is always '.'.
    const auto result = std::from_chars(first, value.c_str() + value.size(), number);
    return result.ec == std::errc() ? number : 0.0;
}

double CIniFile::GetDouble(const std::string& section, const std::string& key) {
    if (!FindSection(section))
        return 0.0;
    return GetDouble(key);
}

bool CIniFile::GetBool(const std::string& key) {
    return GetValue(key) == "TRUE";
}

bool CIniFile::GetBool(const std::string& section, const std::string& key) {
    return GetString(section, key) == "TRUE";
}

void CIniFile::GetSectionNames(std::vector<std::string>& names) {
    names.clear();
    for (const std::string& line : m_lines) {
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
            names.push_back(line.substr(1, line.size() - 2));
    }
}

void CIniFile::GetKeyNames(const std::string& section, std::vector<std::string>& keys) {
    keys.clear();
    const std::size_t savedSection = m_section;
    const bool savedSelected = m_sectionSelected;
    const std::size_t savedLine = m_currentLine;
    if (FindSection(section))
        GetKeyNames(keys);
    m_section = savedSection;
    m_sectionSelected = savedSelected;
    m_currentLine = savedLine;
}

void CIniFile::GetKeyNames(std::vector<std::string>& keys) {
    keys.clear();
    if (!m_sectionSelected || m_section >= m_lines.size())
        return;
    const std::size_t end = SectionEnd(m_section);
    for (std::size_t i = m_section + 1; i < end; ++i) {
        const std::string& line = m_lines[i];
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::size_t semicolon = line.find(';');
        if (semicolon != std::string::npos && semicolon < equals)
            continue;
        keys.push_back(line.substr(0, equals));
    }
}

bool CIniFile::SaveNormalised(const std::string& path) {
    const std::size_t savedSection = m_section;
    const bool savedSelected = m_sectionSelected;
    const std::size_t savedLine = m_currentLine;

    std::vector<std::string> out;
    std::vector<std::string> sections;
    GetSectionNames(sections);
    for (const std::string& section : sections) {
        out.emplace_back();
        out.push_back("[" + section + "]");
        std::vector<std::string> keys;
        if (FindSection(section))
            GetKeyNames(keys);
        for (const std::string& key : keys)
            out.push_back(key + "=" + GetValue(key));
    }

    m_section = savedSection;
    m_sectionSelected = savedSelected;
    m_currentLine = savedLine;
    // A normalised file is written afresh, in CR LF lines.
    std::string text;
    for (const std::string& line : WithMark(std::move(out), m_encoding))
        text += line + "\r\n";
    return WriteFile(path, text, m_lastError);
}

void CIniFile::WrapCurrentLine() {
    if (m_currentLine >= m_lines.size())
        m_currentLine = 0;
}

void CIniFile::StepInSection() {
    ++m_currentLine;
    if (m_currentLine >= m_lines.size() || IsHeader(m_lines[m_currentLine]))
        m_currentLine = m_section;
}

bool CIniFile::IsKeyLine(const std::string& line) const {
    return !IsHeader(line);
}

bool CIniFile::AddSection(const std::string& section) {
    if (FindSection(section))
        return true;
    m_lines.push_back("[" + section + "]");
    StoreNew(m_lines.size() - 1);
    m_section = m_lines.size() - 1;
    m_index.Insert(m_section, m_lines.back());
    m_currentLine = m_section;
    m_sectionSelected = true;
    return true;
}

bool CIniFile::SetValue(const std::string& key, const std::string& value) {
    if (!m_sectionSelected || m_section >= m_lines.size())
        return false;
    const std::size_t line = FindKeyLine(key);
    std::string text = key + "=" + value;
    if (line != npos) {
        std::swap(m_lines[line], text);
        m_stored[line].kept = false;
        m_index.Replace(line, text, m_lines[line]);
        m_currentLine = line;
        return true;
    }
    const std::size_t end = SectionEnd(m_section);
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(end), std::move(text));
    StoreNew(end);
    m_index.Insert(end, m_lines[end]);
    return true;
}

bool CIniFile::SetString(const std::string& section, const std::string& key,
                         const std::string& value) {
    return AddSection(section) && SetValue(key, value);
}

bool CIniFile::SetLong(const std::string& section, const std::string& key, long number) {
    return SetString(section, key, std::to_string(number));
}
