// The system's side of the files here, which linux/ and win32/ define: the
// calls on a file descriptor and a name that differ between the systems.
// The portable files (file_writer.cpp, log_file.cpp, new_file.cpp, the lock)
// hold the rules and call these.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace plat::files {

// "dir/" of a path ("" for a bare name), and the directory itself ("." for
// a bare name) for messages and syncing.
std::string DirectoryPrefix(const std::string& path);
std::string DirectoryName(const std::string& path);
// A new name in the directory of `target` for a copy of it: a dot, the
// target's name (cut to 200 characters), `kind` (".new-", ".old-") and eight
// random letters and digits.
std::string NameBeside(const std::string& target, const char* kind);
inline constexpr const char* kNewCopy = ".new-";
inline constexpr const char* kOldCopy = ".old-";

// Removes the new copies beside `target` that writers which no longer live
// left behind (a write killed before its copy took the target's place). A
// living writer's copy is never touched: on Linux it holds a lock on it, on
// Windows it keeps it open unshared. Copies of an old content (".old-")
// are kept, since one may hold the only complete content of the file.
void RemoveDeadCopies(const std::string& target);
// The system's part: removes the copy `path` unless a living writer holds it.
void RemoveCopyNobodyHolds(const std::string& path);

// True when `native` names a file of the user's private directory
// (GetTempPath), where nothing is ever opened through a link.
bool InPrivateDirectory(const std::string& native);

// The file `path` finally names, each symbolic link followed; a missing file
// is a file to be created there. False with `why` when a link cannot be
// followed.
bool FollowLinks(const std::string& path, std::string& target, std::string& why);

// Closes a descriptor of the C library, and removes a file by its name (a
// link itself, never what it names); failures are not reported.
void CloseDescriptor(int fd);
void RemoveFile(const std::string& path);

// Creates `native` as a new empty file for writing in binary mode, removing
// an old file or link of the name first, never following one. Null with
// `why` on failure.
std::FILE* CreateNewFileAt(const std::string& native, std::string& why);

// The log: opened for appending only, never through a link and refused when
// it is no plain file of its own (-1 with `why`); its size (-1 with `why`);
// the text written whole at its end; `count` bytes from `start` read through
// a name (as many as there are; false with `why` when it cannot be opened).
int OpenLogForAppending(const std::string& native, std::string& why);
long long LogSize(int fd, std::string& why);
bool AppendToLog(int fd, std::string_view text, std::string& why);
bool ReadLogPart(const std::string& native, std::size_t start, std::size_t count,
                 std::string& bytes, std::string& why);

// The lock's descriptor: the file opened (created when missing, never
// truncated; read-only for a reader when it cannot be written) and locked
// without waiting, or -1 with `why` saying why (`busy`: another holds a
// lock that conflicts). Without `followLinks` a link is refused. Unlocking
// closes it.
int OpenLocked(const std::string& native, bool exclusive, bool followLinks, bool& busy,
               std::string& why);
void UnlockAndClose(int fd);
long long LockedSize(int fd);

// The temporary directory's refusal: sets `error` (when given) to say why
// `dir` is not used, and answers false.
bool RefuseTempDirectory(const std::string& dir, const std::string& why, std::string* error);

} // namespace plat::files
