#include "platform/text/ini_index.h"

#include "platform/text/text_case.h"

#include <algorithm>

namespace {

bool IsHeader(const std::string& line) {
    return !line.empty() && line[0] == '[';
}

// The folded name a header is listed under; false when it has none.
bool SectionName(const std::string& line, std::string& name) {
    if (!IsHeader(line))
        return false;
    const std::size_t close = line.find(']', 1);
    if (close == std::string::npos)
        return false;
    name = plat::FoldAscii(std::string_view(line).substr(1, close - 1));
    return true;
}

// The folded key a line is listed under; false when it holds no '='.
bool KeyName(const std::string& line, std::string& key) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos)
        return false;
    key = plat::FoldAscii(std::string_view(line).substr(0, equals));
    return true;
}

void AddNumber(std::vector<std::size_t>& numbers, std::size_t at) {
    if (numbers.empty() || numbers.back() < at)
        numbers.push_back(at); // the common case: lines are listed in order
    else
        numbers.insert(std::lower_bound(numbers.begin(), numbers.end(), at), at);
}

void RemoveNumber(std::unordered_map<std::string, std::vector<std::size_t>>& listing,
                  const std::string& name, std::size_t at) {
    const auto entry = listing.find(name);
    if (entry == listing.end())
        return;
    std::vector<std::size_t>& numbers = entry->second;
    const auto it = std::lower_bound(numbers.begin(), numbers.end(), at);
    if (it != numbers.end() && *it == at)
        numbers.erase(it);
    if (numbers.empty())
        listing.erase(entry);
}

// Every number from `at` on grows by one.
void ShiftFrom(std::vector<std::size_t>& numbers, std::size_t at) {
    for (auto it = std::lower_bound(numbers.begin(), numbers.end(), at); it != numbers.end(); ++it)
        ++*it;
}

} // namespace

void CIniIndex::Build(const std::vector<std::string>& lines) {
    m_sections.clear();
    m_keys.clear();
    m_headers.clear();
    m_count = 0;
    for (const std::string& line : lines)
        Add(m_count++, line);
}

void CIniIndex::Add(std::size_t at, const std::string& line) {
    std::string name;
    if (IsHeader(line))
        AddNumber(m_headers, at);
    if (SectionName(line, name))
        AddNumber(m_sections[name], at);
    if (KeyName(line, name))
        AddNumber(m_keys[name], at);
}

void CIniIndex::Remove(std::size_t at, const std::string& line) {
    std::string name;
    if (IsHeader(line)) {
        const auto it = std::lower_bound(m_headers.begin(), m_headers.end(), at);
        if (it != m_headers.end() && *it == at)
            m_headers.erase(it);
    }
    if (SectionName(line, name))
        RemoveNumber(m_sections, name, at);
    if (KeyName(line, name))
        RemoveNumber(m_keys, name, at);
}

void CIniIndex::Insert(std::size_t at, const std::string& line) {
    if (at < m_count) {
        ShiftFrom(m_headers, at);
        for (auto& entry : m_sections)
            ShiftFrom(entry.second, at);
        for (auto& entry : m_keys)
            ShiftFrom(entry.second, at);
    }
    ++m_count;
    Add(at, line);
}

void CIniIndex::Replace(std::size_t at, const std::string& before, const std::string& after) {
    Remove(at, before);
    Add(at, after);
}

std::size_t CIniIndex::FindSection(std::string_view name, std::size_t from) const {
    const auto entry = m_sections.find(plat::FoldAscii(name));
    if (entry == m_sections.end())
        return npos;
    const LineNumbers& numbers = entry->second;
    const auto it = std::lower_bound(numbers.begin(), numbers.end(), from);
    return it != numbers.end() ? *it : numbers.front();
}

std::size_t CIniIndex::FindKey(std::string_view key, std::size_t begin, std::size_t end,
                               std::size_t from) const {
    const auto entry = m_keys.find(plat::FoldAscii(key));
    if (entry == m_keys.end())
        return npos;
    const LineNumbers& numbers = entry->second;
    auto it = std::lower_bound(numbers.begin(), numbers.end(), from);
    if (it != numbers.end() && *it < end)
        return *it;
    it = std::lower_bound(numbers.begin(), numbers.end(), begin);
    if (it != numbers.end() && *it < from)
        return *it;
    return npos;
}

std::size_t CIniIndex::NextHeader(std::size_t line) const {
    const auto it = std::upper_bound(m_headers.begin(), m_headers.end(), line);
    return it == m_headers.end() ? npos : *it;
}
