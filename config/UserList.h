// CUserList: the product's student list, "UserList.dat" in the users' root
// directory: the archive of a string-to-string map from each student's folder
// name (under the users' root) to the student's name.
//
// The archive's strings are 8-bit and carry no encoding mark. A file whose
// strings are all well-formed UTF-8 is taken as UTF-8, any other as
// Windows-1252 (the learning product writes its lists in that code page);
// wide strings of the archive are read as UTF-8. Names and folders are kept
// as the file's bytes and written back as they were.
#pragma once

#include "platform/text/text_encoding.h"
#include "platform/types.h"

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class CUserList {
public:
    static constexpr const char* kFileName = "UserList.dat";
    static constexpr const char* kOptionsFile = "options.ini";

    // Waits between attempts to open a file another program holds.
    using SleepFn = std::function<void(plat::DWORD ms)>;

    CUserList();

    // Reads root + "UserList.dat", creating the directory and an empty file
    // when missing. False with ERROR_CANNOT_MAKE (text: the root),
    // ERROR_OPEN_FAILED (text: the file, still locked after the retries) or
    // ERROR_FILE_CORRUPT (text: the file; bad or truncated content). The list
    // is empty after any failure.
    bool Load(const std::string& root);
    // Writes the list to root + "UserList.dat" (the root of the last Load, or
    // the one given), atomically, holding the file against readers.
    bool Save(const std::string& root = std::string());

    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // The index in Users() of the first student, in list order, whose name
    // equals `name` (in the list's encoding) ignoring case, as the encoding
    // folds it (plat::EqualNoCase); npos when there is none.
    std::size_t FindUserIndex(const std::string& name) const;
    // The directory of student `index`: root + folder name, the folder named
    // as this platform names files. False, with *error (UTF-8) saying why,
    // when there is no such student or when the folder does not lie inside
    // the root: empty, absolute, with a drive, or climbing out with "..".
    bool GetUserDirectory(std::size_t index, std::string* directory, std::string* error) const;
    // FindUserIndex, then GetUserDirectory.
    bool FindUser(const std::string& name, std::string* directory) const;
    std::vector<std::string> GetNames() const;
    // Adds a student or renames the one in that folder.
    void SetUser(const std::string& folder, const std::string& name);
    void RemoveAll() { m_users.clear(); }

    // (folder name, student name) in list order: the order of the file.
    const std::vector<std::pair<std::string, std::string>>& Users() const { return m_users; }
    const std::string& GetRoot() const { return m_root; }
    // The encoding of the names and folders: the loaded file's; UTF-8 for a
    // list made by the program, unless set.
    plat::TextEncoding GetEncoding() const { return m_encoding; }
    void SetEncoding(plat::TextEncoding encoding) { m_encoding = encoding; }
    plat::LONG GetLastError() const { return m_lastError; }
    const std::string& GetErrorText() const { return m_errorText; }

    // Retry policy for a file another program holds: every intervalMs, up to
    // limitMs in all (100 ms and 10 s by default).
    void SetRetry(plat::DWORD intervalMs, plat::DWORD limitMs, SleepFn sleep = nullptr);

private:
    bool Fail(plat::LONG error, const std::string& text);

    std::string m_root;
    std::vector<std::pair<std::string, std::string>> m_users;
    plat::TextEncoding m_encoding = plat::TextEncoding::Utf8;
    plat::LONG m_lastError = 0;
    std::string m_errorText;
    plat::DWORD m_retryInterval = 100;
    plat::DWORD m_retryLimit = 10000;
    SleepFn m_sleep;
};
