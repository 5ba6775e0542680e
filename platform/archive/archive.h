// The framework's class-tagged archive: the byte layout of serialised objects,
// strings and counts that "Mixer.ser" and "UserList.dat" are written in.
//
// Layout (all integers little-endian):
//  - count: 16-bit; 0xFFFF then a 32-bit count when it is 0xFFFF or more;
//  - string: length byte; 0xFF + 16-bit length when 255 or more; 0xFF 0xFFFF +
//    32-bit length when 0xFFFE or more; then the bytes (no terminator). On
//    reading, the wide-string marker 0xFF 0xFFFE followed by a length in the
//    same form and UTF-16LE units is accepted and converted to UTF-8;
//  - object reference: 0x0000 for a null object; for the first object of a
//    class the new-class tag 0xFFFF, the schema (16-bit), the class name's
//    length (16-bit) and the name; for a later object of a known class
//    0x8000 | class index (or 0x7FFF + 0x80000000 | index when the index does
//    not fit in 15 bits); then the object's own data. Indexes count from 1 and
//    every new class and every new object takes the next one, so the class
//    of the first object written gets 1, that object 2, and so on.
//
// Both sides work through a 4096-byte buffer. Errors are results: a writer
// that failed once stays failed and Commit() reports it; a reader never reads
// past the bytes the file holds and fails instead.
#pragma once

#include "platform/files/file_writer.h"
#include "platform/types.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace plat {

constexpr std::size_t ARCHIVE_BUFFER_SIZE = 4096;

// Writes an archive to a file through CFileWriter: the bytes go to a new file
// beside the target, and Commit() flushes, syncs and puts it in place of the
// target, so a crash or a full disk never leaves a damaged file in place of
// the previous one.
class CArchiveWriter {
public:
    CArchiveWriter() = default;
    ~CArchiveWriter(); // abandons an uncommitted file
    CArchiveWriter(const CArchiveWriter&) = delete;
    CArchiveWriter& operator=(const CArchiveWriter&) = delete;

    // False when the file beside the target cannot be created.
    bool Open(const std::string& path);
    // Writes to memory instead (a registry value): Commit() then leaves the
    // archive's bytes in Memory().
    void OpenMemory();
    const std::vector<BYTE>& Memory() const { return m_memory; }
    // Why Open or Commit failed: the file and the system's reason. A write
    // refused before that (a string too long for the layout) leaves it empty.
    const std::string& GetError() const { return m_file.GetError(); }

    void WriteByte(BYTE v);
    void WriteWord(WORD v);
    void WriteDword(DWORD v);
    void WriteBytes(const void* data, std::size_t size);
    void WriteCount(DWORD count);
    void WriteString(const std::string& text);
    // Starts an object of the named class (its data follows).
    void WriteObjectHeader(const std::string& className, WORD schema);
    void WriteNullObject();

    // Flushes, syncs and renames over the target. False on any write error
    // since Open (the target is then left as it was).
    bool Commit();
    // Drops the unfinished file; the target is left as it was.
    void Abandon();

    bool Ok() const { return m_ok; }

private:
    void Flush();

    CFileWriter m_file;
    bool m_toMemory = false;
    std::vector<BYTE> m_memory;
    bool m_open = false;
    bool m_ok = false;
    std::size_t m_used = 0;
    BYTE m_buffer[ARCHIVE_BUFFER_SIZE] = {};
    std::map<std::string, DWORD> m_classes;
    DWORD m_mapCount = 1;
};

// Reads an archive from a file. Every read returns false when the bytes are
// not there; a count or length is checked against the bytes left in the file
// before anything is allocated for it.
class CArchiveReader {
public:
    CArchiveReader() = default;
    ~CArchiveReader();
    CArchiveReader(const CArchiveReader&) = delete;
    CArchiveReader& operator=(const CArchiveReader&) = delete;

    // False when the file cannot be opened.
    bool Open(const std::string& path);
    // Reads `size` bytes at `data` instead, which must outlive the reading.
    void OpenMemory(const BYTE* data, std::size_t size);
    void Close();

    bool ReadByte(BYTE& v);
    bool ReadWord(WORD& v);
    bool ReadDword(DWORD& v);
    bool ReadBytes(void* data, std::size_t size);
    // Reads a count and checks that the file still holds at least
    // count x minItemBytes bytes.
    bool ReadCount(DWORD& count, std::size_t minItemBytes);
    bool ReadString(std::string& text);

    enum class ObjectTag { Fail, Null, Object };
    // Reads an object reference. For an object, className and schema give its
    // class (read from the file for a new class, remembered for a known one).
    // A reference back to an object already read is not supported (Fail).
    ObjectTag ReadObjectHeader(std::string& className, WORD& schema);

    // Bytes of the file not read yet.
    std::size_t Remaining() const { return m_size - m_consumed; }

private:
    bool Fill();

    int m_fd = -1;
    const BYTE* m_source = nullptr; // the bytes of OpenMemory
    std::size_t m_size = 0;
    std::size_t m_consumed = 0; // bytes handed to the caller
    std::size_t m_pos = 0;      // read position in the buffer
    std::size_t m_end = 0;      // bytes in the buffer
    BYTE m_buffer[ARCHIVE_BUFFER_SIZE] = {};
    struct ClassEntry {
        std::string name;
        WORD schema;
    };
    std::map<DWORD, ClassEntry> m_classes;
    DWORD m_mapCount = 1;
};

} // namespace plat
