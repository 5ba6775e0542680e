#include "config/UserList.h"

#include "platform/archive/archive.h"
#include "platform/files/file_lock.h"
#include "platform/files/paths.h"
#include "platform/system/clock.h"
#include "platform/text/text_case.h"
#include "platform/winerror.h"

#include <unordered_map>

using namespace plat;

namespace {

// Opens the file with the lock, retrying while another program holds it.
bool AcquireWithRetry(CFileLock& lock, const std::string& path, bool exclusive, DWORD interval,
                      DWORD limit, const CUserList::SleepFn& sleep) {
    DWORD waited = 0;
    while (!lock.Acquire(path, exclusive)) {
        if (waited >= limit)
            return false;
        if (sleep)
            sleep(interval);
        else
            Sleep(interval);
        waited += interval == 0 ? 1 : interval;
    }
    return true;
}

} // namespace

CUserList::CUserList() = default;

void CUserList::SetRetry(DWORD intervalMs, DWORD limitMs, SleepFn sleep) {
    m_retryInterval = intervalMs;
    m_retryLimit = limitMs;
    m_sleep = std::move(sleep);
}

bool CUserList::Fail(LONG error, const std::string& text) {
    m_lastError = error;
    m_errorText = text;
    m_users.clear();
    return false;
}

bool CUserList::Load(const std::string& root) {
    m_root = WithTrailingSeparator(root);
    m_users.clear();
    m_encoding = TextEncoding::Utf8;
    m_lastError = ERROR_SUCCESS;
    m_errorText.clear();
    if (!DirectoryExists(m_root) && !CreateDirectories(m_root))
        return Fail(ERROR_CANNOT_MAKE, m_root);
    const std::string path = m_root + kFileName;
    CFileLock lock;
    if (!AcquireWithRetry(lock, path, false, m_retryInterval, m_retryLimit, m_sleep))
        return Fail(ERROR_OPEN_FAILED, path);
    if (lock.Size() == 0)
        return true;
    CArchiveReader ar;
    if (!ar.Open(path))
        return Fail(ERROR_OPEN_FAILED, path);
    DWORD count = 0;
    if (!ar.ReadCount(count, 2)) // two length bytes at least per entry
        return Fail(ERROR_FILE_CORRUPT, path);
    std::unordered_map<std::string, std::size_t> index; // a folder named twice keeps its place
    bool utf8 = true;
    for (DWORD i = 0; i < count; ++i) {
        std::string folder, name;
        if (!ar.ReadString(folder) || !ar.ReadString(name))
            return Fail(ERROR_FILE_CORRUPT, path);
        utf8 = utf8 && IsValidUtf8(folder) && IsValidUtf8(name);
        const auto [it, added] = index.emplace(folder, m_users.size());
        if (added)
            m_users.emplace_back(std::move(folder), std::move(name));
        else
            m_users[it->second].second = std::move(name);
    }
    m_encoding = utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    return true;
}

bool CUserList::Save(const std::string& root) {
    if (!root.empty())
        m_root = WithTrailingSeparator(root);
    if (m_root.empty()) {
        m_lastError = ERROR_INVALID_PARAMETER;
        m_errorText = kFileName;
        return false;
    }
    if (!DirectoryExists(m_root) && !CreateDirectories(m_root)) {
        m_lastError = ERROR_CANNOT_MAKE;
        m_errorText = m_root;
        return false;
    }
    const std::string path = m_root + kFileName;
    CFileLock lock;
    CArchiveWriter ar;
    if (!AcquireWithRetry(lock, path, true, m_retryInterval, m_retryLimit, m_sleep) ||
        !ar.Open(path)) {
        m_lastError = ERROR_OPEN_FAILED;
        m_errorText = path;
        return false;
    }
    ar.WriteCount(static_cast<DWORD>(m_users.size()));
    for (const auto& [folder, name] : m_users) {
        ar.WriteString(folder);
        ar.WriteString(name);
    }
    if (!ar.Commit()) {
        m_lastError = ERROR_CANTWRITE;
        m_errorText = path;
        return false;
    }
    m_lastError = ERROR_SUCCESS;
    m_errorText.clear();
    return true;
}

void CUserList::SetUser(const std::string& folder, const std::string& name) {
    for (auto& entry : m_users) {
        if (entry.first == folder) {
            entry.second = name;
            return;
        }
    }
    m_users.emplace_back(folder, name);
}

std::size_t CUserList::FindUserIndex(const std::string& name) const {
    const std::string wanted = FoldCase(name, m_encoding);
    for (std::size_t i = 0; i < m_users.size(); ++i)
        if (FoldCase(m_users[i].second, m_encoding) == wanted)
            return i;
    return npos;
}

bool CUserList::GetUserDirectory(std::size_t index, std::string* directory,
                                 std::string* error) const {
    if (index >= m_users.size()) {
        if (error)
            *error = "No student number " + std::to_string(index + 1) + " in " + m_root + kFileName;
        return false;
    }
    const std::string folder = FileNameFromText(m_users[index].first, m_encoding);
    // Nothing is ever read or written outside the users' root.
    if (!StaysInsideDirectory(folder)) {
        if (error)
            *error = "The student folder \"" + folder + "\" in " + m_root + kFileName +
                     " does not lie inside " + m_root;
        return false;
    }
    if (directory)
        *directory = m_root + folder;
    return true;
}

bool CUserList::FindUser(const std::string& name, std::string* directory) const {
    const std::size_t index = FindUserIndex(name);
    return index != npos && GetUserDirectory(index, directory, nullptr);
}

std::vector<std::string> CUserList::GetNames() const {
    std::vector<std::string> names;
    names.reserve(m_users.size());
    for (const auto& entry : m_users)
        names.push_back(entry.second);
    return names;
}
