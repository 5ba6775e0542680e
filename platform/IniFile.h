// CIniFile: an INI text file held in memory as its lines.
//
// A line starting with '[' is a section header; other lines of the form
// key=value belong to the nearest header above them; every other line (comment,
// blank) is kept as it is. Section and key names match regardless of case.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CIniFile {
public:
    // Longest line, in characters, taken by one read; a longer line continues
    // on the next stored line.
    static constexpr std::size_t kMaxLineLength = 5119;

    CIniFile() = default;
    // Opens `path` at once; IsOpen() tells whether that succeeded.
    explicit CIniFile(const std::string& path);
    virtual ~CIniFile() = default;

    // Reads the file into lines, each trimmed at both ends, an empty line kept
    // as one blank. The text is UTF-8, or Windows-1252 when not valid UTF-8.
    // On failure the lines are emptied and the result is false.
    bool Open(const std::string& path);
    // Writes every line followed by CR LF, replacing the file. False on failure,
    // in which case an existing file is left as it was and GetLastError() says
    // why.
    bool Save(const std::string& path) const;
    // Why the last Save or SaveNormalised failed (names the file and the
    // system's reason); empty after one that succeeded.
    const std::string& GetLastError() const { return m_lastError; }
    bool IsOpen() const { return m_opened; }

    // Selects the section; the scan starts at the current line and wraps.
    virtual bool FindSection(const std::string& section);
    // The trimmed value of `key` in the current section, else the not-found value.
    virtual std::string GetValue(const std::string& key);
    virtual std::string GetString(const std::string& section, const std::string& key);
    virtual long GetLong(const std::string& key);
    virtual long GetLong(const std::string& section, const std::string& key);
    virtual double GetDouble(const std::string& key);
    virtual double GetDouble(const std::string& section, const std::string& key);
    // True only for exactly "TRUE".
    virtual bool GetBool(const std::string& key);
    virtual bool GetBool(const std::string& section, const std::string& key);
    virtual void GetSectionNames(std::vector<std::string>& names);
    virtual void GetKeyNames(const std::string& section, std::vector<std::string>& keys);
    virtual void GetKeyNames(std::vector<std::string>& keys);
    // Writes only the sections and their key=value lines, comments dropped.
    virtual bool SaveNormalised(const std::string& path);
    virtual void WrapCurrentLine();
    virtual void StepInSection();
    virtual bool IsKeyLine(const std::string& line) const;

    // Selects the section, appending its header at the end when missing.
    bool AddSection(const std::string& section);
    // Replaces the key's line in the current section, or inserts key=value
    // before the next section header. False when no section is selected.
    bool SetValue(const std::string& key, const std::string& value);
    bool SetString(const std::string& section, const std::string& key, const std::string& value);
    bool SetLong(const std::string& section, const std::string& key, long number);

    const std::string& GetNotFoundValue() const { return m_notFound; }
    void SetNotFoundValue(const std::string& value) { m_notFound = value; }

    const std::vector<std::string>& Lines() const { return m_lines; }
    std::size_t LineCount() const { return m_lines.size(); }

private:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Index of the key's line in the current section, or npos.
    std::size_t FindKeyLine(const std::string& key);
    // One past the last line of the section whose header is at `header`.
    std::size_t SectionEnd(std::size_t header) const;

    std::vector<std::string> m_lines;
    std::string m_notFound;
    std::size_t m_section = 0;
    bool m_sectionSelected = false;
    std::size_t m_currentLine = 0;
    bool m_opened = false;
    mutable std::string m_lastError;
};
