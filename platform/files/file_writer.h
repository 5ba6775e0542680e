// The one way Pelmora replaces the content of a file.
//
// The new content goes to a new file beside the target (same directory, a
// unique name created exclusively, never through a link), is synced, and is
// renamed over the target, so a full disk, a crash or a refused write never
// leaves a truncated or mixed file: the target holds either its old or its
// new content.
//
// - A path that is a symbolic link is followed to the file it finally names,
//   and that file is written; the link stays a link. On Linux a link is
//   followed only to a file (or a directory, for a file to be made) of its
//   own owner. A link in the private directory (GetTempPath) is never
//   followed: the write fails.
// - The target keeps its permission bits, and its owner and group where the
//   process may set them.
// - A target with several hard links is rewritten in place, so every name
//   sees the new content, but only once a complete copy of its old content
//   sits beside it; that copy is put back if the rewrite fails.
// - A directory that refuses new files makes the write fail; the target is
//   then left as it was (it is never truncated instead).
// - No temporary file is left behind on failure.
//
// Every error names the file and the system's reason.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace plat {

class CFileWriter {
public:
    CFileWriter() = default;
    ~CFileWriter(); // an uncommitted new copy is dropped
    CFileWriter(const CFileWriter&) = delete;
    CFileWriter& operator=(const CFileWriter&) = delete;

    // Finds the target (following links) and creates the new copy beside it.
    // False when the target cannot be written or no file can be made beside
    // it; GetError() tells why.
    bool Open(const std::string& path);
    // Appends bytes to the new copy. After a failure every later call fails
    // and the first error is kept.
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    // Syncs the new copy and puts it in place of the target. False on any
    // failure since Open; the target then holds its old content.
    bool Commit();
    // Drops the new copy; the target is left as it was.
    void Abandon();

    const std::string& GetError() const { return m_error; }
    // The file that is written: the path given, or the file its links lead to.
    const std::string& GetTarget() const { return m_target; }

private:
    bool Fail(const std::string& reason);
    bool FailErrno(const std::string& what, int error);
    // The system's part (linux/ and win32/file_writer.cpp): looking at the
    // target and making the new copy beside it, writing and syncing the copy,
    // putting it in place of the target, and rewriting a hard-linked target
    // in place. Each fails through Fail.
    bool OpenCopy();
    bool WriteCopy(const void* data, std::size_t size);
    bool SyncCopy();
    bool ReplaceTarget();
    bool CommitInPlace();
    // Tells why a rewrite in place failed: `restored`, the old content is
    // back in the file; `renamedBack`, its copy took the target's name. A
    // copy that holds the only complete old content keeps its name
    // (`backupName` is emptied, so it is not removed).
    void FailRewrite(const std::string& reason, bool restored, bool renamedBack,
                     std::string& backupName);

    int m_fd = -1;
    bool m_ok = false;
    std::string m_path;   // as the caller named it, for messages
    std::string m_target; // after links
    std::string m_temp;   // the new copy beside the target
    std::string m_error;
    bool m_exists = false;
    unsigned long m_links = 0;
    unsigned long long m_device = 0;
    unsigned long long m_inode = 0;
};

// Replaces the content of `path` with `bytes` as CFileWriter does. On failure
// *error (when given) names the file and the reason; on success it is emptied.
bool SaveFileContents(const std::string& path, std::string_view bytes, std::string* error);

} // namespace plat
