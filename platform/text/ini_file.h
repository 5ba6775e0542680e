// CIniFile: an INI text file held in memory as its lines.
//
// A line starting with '[' is a section header; other lines of the form
// key=value belong to the nearest header above them; every other line (comment,
// blank) is kept as it is. Section and key names match regardless of ASCII
// case.
//
// Lookups scan as the lines are ordered (from the current line, wrapping), but
// find the lines through an index of headers and keys built when the file is
// read and kept up to date by every change, so reading every key of a file
// takes time in proportion to its size.
//
// Lines hold the file's own bytes: the file's encoding (UTF-8, UTF-8 with a
// byte-order mark, or Windows-1252) is remembered and Save writes the lines
// back in it. A line the program did not change comes back byte for byte:
// however long, with its blanks and its own line end (or none, at the end of
// the file); a line the program wrote takes the file's line end (its first
// line's, CR LF in a file that has none).
// Names and values the program sets (section and key names, numbers) are
// ASCII and fit every encoding; a caller storing text the user typed converts
// it first (plat::EncodeText with GetEncoding()).
#pragma once

#include "platform/text/ini_index.h"
#include "platform/text/text_encoding.h"

#include <cstddef>
#include <string>
#include <vector>

class CIniFile {
public:
    CIniFile() = default;
    // Opens `path` at once; IsOpen() tells whether that succeeded.
    explicit CIniFile(const std::string& path);
    virtual ~CIniFile() = default;

    // Reads the file into lines (Lines(): each trimmed at both ends, an empty
    // line as one blank; the bytes as read are kept for Save), and takes the
    // file's encoding and line end: a byte-order mark makes it
    // UTF-8 with the mark (the mark is not part of the first line), else
    // well-formed UTF-8 is UTF-8 and anything else Windows-1252. On failure
    // the lines are emptied, the encoding is UTF-8 and the result is false.
    bool Open(const std::string& path);
    // Writes every line, replacing the file, after the byte-order mark when
    // the encoding has one: the lines read and not changed as they were read,
    // the others trimmed and followed by the file's line end. False on failure, in which
    // case an existing file is left as it was and GetLastError() says why.
    bool Save(const std::string& path) const;
    // Why the last Save or SaveNormalised failed (names the file and the
    // system's reason); empty after one that succeeded.
    const std::string& GetLastError() const { return m_lastError; }
    bool IsOpen() const { return m_opened; }

    // The encoding Save writes in: the opened file's, UTF-8 for a new file.
    plat::TextEncoding GetEncoding() const { return m_encoding; }
    void SetEncoding(plat::TextEncoding encoding) { m_encoding = encoding; }

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

    // Where the next scan starts, and the selected section's header line
    // (meaningful while SectionSelected()).
    std::size_t CurrentLine() const { return m_currentLine; }
    std::size_t CurrentSection() const { return m_section; }
    bool SectionSelected() const { return m_sectionSelected; }

private:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Index of the key's line in the current section, or npos.
    std::size_t FindKeyLine(const std::string& key);
    // The scans for the names the index cannot find (CIniIndex).
    std::size_t ScanForSection(const std::string& section, std::size_t from) const;
    std::size_t ScanForKey(const std::string& key, std::size_t end, std::size_t from) const;
    // One past the last line of the section whose header is at `header`.
    std::size_t SectionEnd(std::size_t header) const;

    // The bytes of a line as it was read, and what ended it; `kept` until
    // the program changes the line.
    struct StoredLine {
        std::string bytes;
        std::string end;
        bool kept = false;
    };
    // A line the program writes: its text, the file's line end.
    void StoreNew(std::size_t at);

    std::vector<std::string> m_lines;
    std::vector<StoredLine> m_stored; // beside m_lines, one for each
    std::string m_lineEnd = "\r\n";   // the file's
    CIniIndex m_index;                // of m_lines
    std::string m_notFound;
    std::size_t m_section = 0;
    bool m_sectionSelected = false;
    std::size_t m_currentLine = 0;
    bool m_opened = false;
    plat::TextEncoding m_encoding = plat::TextEncoding::Utf8;
    mutable std::string m_lastError;
};
