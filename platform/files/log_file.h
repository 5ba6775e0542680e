// A log file that only grows at its end and stays bounded in size: once it
// passes its limit it is cut to its newest lines (whole lines, at most `keep`
// bytes). It is opened without following links, and a name that is a link
// or not a plain file of its own is refused.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace plat {

class CLogFile {
public:
    CLogFile(std::size_t limit, std::size_t keep) : m_limit(limit), m_keep(keep) {}
    ~CLogFile() { Close(); }
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Opens the log for appending, creating it (mode 0600) when missing. An
    // old log already above the limit is cut at once. False with *error
    // (when given) naming the file and the reason.
    bool Open(const std::string& path, std::string* error);
    // Appends the text as it is (the caller ends its lines). False when the
    // text could not be written whole, with *error (when given) saying why.
    bool Append(std::string_view text, std::string* error = nullptr);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

private:
    bool OpenFile(std::string* error);
    bool CutToNewest(std::string* error);

    std::size_t m_limit;
    std::size_t m_keep;
    std::string m_path;
    int m_fd = -1;
};

} // namespace plat
