// CFileWriter's course, the same on every system: open, write, commit or
// abandon; its messages; the names of the copies beside the target; and the
// failures tests ask for. The system's part is in linux/ and win32/.
#include "platform/files/file_writer.h"
#include "platform/files/directories.h"
#include "platform/files/file_writer_limits.h"
#include "platform/files/paths.h"
#include "platform/files/system_files.h"
#include "platform/system/system_testing.h"

#include <atomic>
#include <filesystem>
#include <random>

namespace plat {

namespace {

std::atomic<int> g_inPlaceFailures{0};
std::atomic<std::size_t> g_inPlaceFailAfter{0};

// A temporary name keeps at most this much of the target's name, so it stays
// within the length the file system allows.
constexpr std::size_t kMaxNameKept = 200;

constexpr std::size_t kTagLength = 8;

std::string RandomTag() {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device device;
    std::string tag;
    for (std::size_t i = 0; i < kTagLength; ++i)
        tag += digits[device() % 36];
    return tag;
}

} // namespace

namespace files {

std::string DirectoryPrefix(const std::string& path) {
    const std::size_t slash = path.rfind(kPathSeparator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string DirectoryName(const std::string& path) {
    const std::string prefix = DirectoryPrefix(path);
    if (prefix.empty())
        return ".";
    return prefix.size() == 1 ? prefix : prefix.substr(0, prefix.size() - 1);
}

bool InPrivateDirectory(const std::string& native) {
    const std::string temp = GetTempPath();
    return !temp.empty() && DirectoryPrefix(native) == temp;
}

namespace {

std::string CopyNameStart(const std::string& target, const char* kind) {
    const std::string prefix = DirectoryPrefix(target);
    std::string base = target.substr(prefix.size());
    if (base.size() > kMaxNameKept)
        base.resize(kMaxNameKept);
    return "." + base + kind;
}

} // namespace

std::string NameBeside(const std::string& target, const char* kind) {
    return DirectoryPrefix(target) + CopyNameStart(target, kind) + RandomTag();
}

void RemoveDeadCopies(const std::string& target) {
    const std::string start = CopyNameStart(target, kNewCopy);
    const std::string prefix = DirectoryPrefix(target);
    std::error_code error;
    std::filesystem::directory_iterator it(prefix.empty() ? "." : prefix, error), end;
    for (; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() == start.size() + kTagLength && name.compare(0, start.size(), start) == 0)
            RemoveCopyNobodyHolds(prefix + name);
    }
}

} // namespace files

long long InPlaceLimit() {
    int left = g_inPlaceFailures.load();
    while (left > 0 && !g_inPlaceFailures.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0 ? static_cast<long long>(g_inPlaceFailAfter.load()) : -1;
}

void FailInPlaceRewritesForTesting(int count, std::size_t afterBytes) {
    g_inPlaceFailAfter = afterBytes;
    g_inPlaceFailures = count;
}

CFileWriter::~CFileWriter() {
    Abandon();
}

bool CFileWriter::Open(const std::string& path) {
    Abandon();
    m_error.clear();
    m_path = NativePath(path);
    m_target.clear();
    m_exists = false;
    m_links = 0;
    if (m_path.empty())
        return Fail("no file name was given");
    std::string why;
    if (!files::FollowLinks(m_path, m_target, why))
        return Fail(why);
    // Whoever planted a link in the private directory would choose the file
    // the wizard writes.
    if (m_target != m_path && files::InPrivateDirectory(m_path))
        return Fail("it is a link, and no file of the private directory is written through one");
    files::RemoveDeadCopies(m_target);
    if (!OpenCopy())
        return false;
    m_ok = true;
    return true;
}

bool CFileWriter::Write(const void* data, std::size_t size) {
    if (m_fd < 0 || !m_ok)
        return m_error.empty() ? Fail("the file is not open") : false;
    return WriteCopy(data, size);
}

bool CFileWriter::Commit() {
    if (m_fd < 0) {
        if (m_error.empty())
            Fail("the file is not open");
        return false;
    }
    if (m_ok)
        SyncCopy();
    // A hard-linked file is rewritten in place so every name sees the new
    // content; any other is replaced by the new copy.
    const bool ok = m_ok && (m_exists && m_links > 1 ? CommitInPlace() : ReplaceTarget());
    Abandon();
    return ok;
}

void CFileWriter::FailRewrite(const std::string& reason, bool restored, bool renamedBack,
                              std::string& backupName) {
    if (restored) {
        Fail(reason);
        return;
    }
    // The target's name no longer holds the content it had when it was
    // opened.
    m_exists = false;
    if (renamedBack)
        Fail(reason + "; its old content was put back under this name, but its other hard links "
                      "hold a damaged copy");
    else
        Fail(reason + "; its old content is kept in " + backupName);
    backupName.clear();
}

void CFileWriter::Abandon() {
    if (m_fd >= 0) {
        files::CloseDescriptor(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        files::RemoveFile(m_temp);
        m_temp.clear();
    }
    m_ok = false;
}

bool CFileWriter::Fail(const std::string& reason) {
    if (m_error.empty()) {
        m_error = "cannot write " + m_path;
        if (m_target != m_path && !m_target.empty())
            m_error += " (" + m_target + ")";
        m_error += ": " + reason;
        if (m_exists)
            m_error += "; the file is left as it was";
    }
    m_ok = false;
    return false;
}

} // namespace plat
