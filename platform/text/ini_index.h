// Where the section headers and the key lines of an INI file's lines are, so
// that CIniFile finds a section or a key without reading every line.
//
// A header is a line whose first byte is '['; it is listed under its name, the
// text between that '[' and the first ']' after it (a header without ']' is
// listed under no name). A line holding '=' is listed under its key, the text
// before its first '=' (header lines too). Names are folded once, with
// plat::FoldAscii, when a line is listed and when a name is looked up.
//
// A section named with a ']' of its own, or a key with an '=' of its own, can
// match lines this index lists under another name: the caller reads the lines
// for those (CanFindSection, CanFindKey).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CIniIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Lists every line of `lines`, forgetting what was listed before.
    void Build(const std::vector<std::string>& lines);
    // `line` was inserted before line `at`: the lines from `at` on moved down
    // by one.
    void Insert(std::size_t at, const std::string& line);
    // The line at `at` changed from `before` to `after`.
    void Replace(std::size_t at, const std::string& before, const std::string& after);

    static bool CanFindSection(std::string_view name) { return name.find(']') == npos; }
    static bool CanFindKey(std::string_view key) { return key.find('=') == npos; }

    // The first header of section `name` at or after line `from`, else the
    // first one in the file; npos when there is none.
    std::size_t FindSection(std::string_view name, std::size_t from) const;
    // The first line of key `key` among the lines from `from` to `end`, else
    // among those from `begin` to `from` (begin <= from < end); npos.
    std::size_t FindKey(std::string_view key, std::size_t begin, std::size_t end,
                        std::size_t from) const;
    // The first header after line `line`; npos when there is none.
    std::size_t NextHeader(std::size_t line) const;

private:
    using LineNumbers = std::vector<std::size_t>; // ascending
    using Listing = std::unordered_map<std::string, LineNumbers>;

    void Add(std::size_t at, const std::string& line);
    void Remove(std::size_t at, const std::string& line);

    Listing m_sections;
    Listing m_keys;
    LineNumbers m_headers;
    std::size_t m_count = 0; // lines listed
};
