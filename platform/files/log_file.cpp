// CLogFile's rules: the size limit and the cut to the newest whole lines,
// written through the file writer. Opening, writing and reading the log are
// the system's (system_files.h).
#include "platform/files/log_file.h"

#include "platform/files/file_writer.h"
#include "platform/files/paths.h"
#include "platform/files/system_files.h"

namespace plat {

namespace {

bool Fail(const std::string& path, const std::string& why, std::string* error) {
    if (error != nullptr)
        *error = "cannot write the log " + path + ": " + why;
    return false;
}

} // namespace

bool CLogFile::Open(const std::string& path, std::string* error) {
    Close();
    m_path = NativePath(path);
    if (!OpenFile(error))
        return false;
    std::string why;
    if (files::LogSize(m_fd, why) > static_cast<long long>(m_limit) && !CutToNewest(error))
        return false;
    return true;
}

bool CLogFile::OpenFile(std::string* error) {
    std::string why;
    const int fd = files::OpenLogForAppending(m_path, why);
    if (fd < 0)
        return Fail(m_path, why, error);
    m_fd = fd;
    return true;
}

bool CLogFile::Append(std::string_view text, std::string* error) {
    if (m_fd < 0)
        return Fail(m_path, "it is not open", error);
    std::string why;
    if (!files::AppendToLog(m_fd, text, why))
        return Fail(m_path, why, error);
    if (files::LogSize(m_fd, why) > static_cast<long long>(m_limit))
        return CutToNewest(error);
    return true;
}

// Keeps the newest lines that fit in m_keep bytes, starting after the first
// line end within them, and writes them as the whole log.
bool CLogFile::CutToNewest(std::string* error) {
    std::string why;
    const long long size = files::LogSize(m_fd, why);
    if (size < 0)
        return Fail(m_path, why, error);
    const auto total = static_cast<std::size_t>(size);
    const std::size_t start = total > m_keep ? total - m_keep : 0;
    std::string tail;
    if (!files::ReadLogPart(m_path, start, total - start, tail, why))
        return Fail(m_path, why, error);
    if (start > 0) {
        const std::size_t eol = tail.find('\n');
        // A line longer than the whole part kept is kept cut.
        if (eol != std::string::npos)
            tail.erase(0, eol + 1);
    }
    // Closed first: a log another handle holds open cannot be replaced on
    // every system.
    Close();
    if (!SaveFileContents(m_path, tail, &why)) {
        if (error != nullptr)
            *error = why;
        OpenFile(nullptr);
        return false;
    }
    return OpenFile(error);
}

void CLogFile::Close() {
    if (m_fd >= 0) {
        files::CloseDescriptor(m_fd);
        m_fd = -1;
    }
}

} // namespace plat
