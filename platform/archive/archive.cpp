#include "platform/archive/archive.h"

#include "platform/archive/little_endian.h"
#include "platform/files/paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr WORD kNullTag = 0x0000;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kClassTag = 0x8000;
constexpr WORD kBigObjectTag = 0x7FFF;
constexpr DWORD kBigClassTag = 0x80000000;
constexpr DWORD kMaxMapCount = 0x3FFFFFFE;

// UTF-16LE units to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::vector<WORD>& units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        DWORD c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace

// ---- writer -----------------------------------------------------------------

CArchiveWriter::~CArchiveWriter() {
    Abandon();
}

bool CArchiveWriter::Open(const std::string& path) {
    Abandon();
    m_classes.clear();
    m_mapCount = 1;
    m_ok = m_file.Open(path);
    m_open = m_ok;
    return m_ok;
}

void CArchiveWriter::OpenMemory() {
    Abandon();
    m_classes.clear();
    m_mapCount = 1;
    m_toMemory = true;
    m_ok = m_open = true;
}

void CArchiveWriter::Flush() {
    if (m_used == 0)
        return;
    if (m_ok && m_toMemory)
        m_memory.insert(m_memory.end(), m_buffer, m_buffer + m_used);
    else if (m_ok && !m_file.Write(m_buffer, m_used))
        m_ok = false;
    m_used = 0;
}

void CArchiveWriter::WriteBytes(const void* data, std::size_t size) {
    if (!m_open) {
        m_ok = false;
        return;
    }
    const BYTE* p = static_cast<const BYTE*>(data);
    while (size > 0) {
        std::size_t n = std::min(size, ARCHIVE_BUFFER_SIZE - m_used);
        std::memcpy(m_buffer + m_used, p, n);
        m_used += n;
        p += n;
        size -= n;
        if (m_used == ARCHIVE_BUFFER_SIZE)
            Flush();
    }
}

void CArchiveWriter::WriteByte(BYTE v) {
    WriteBytes(&v, 1);
}

void CArchiveWriter::WriteWord(WORD v) {
    BYTE b[2];
    PutLe16(b, v);
    WriteBytes(b, 2);
}

void CArchiveWriter::WriteDword(DWORD v) {
    BYTE b[4];
    PutLe32(b, v);
    WriteBytes(b, 4);
}

void CArchiveWriter::WriteCount(DWORD count) {
    if (count < 0xFFFF) {
        WriteWord(static_cast<WORD>(count));
    } else {
        WriteWord(0xFFFF);
        WriteDword(count);
    }
}

void CArchiveWriter::WriteString(const std::string& text) {
    if (text.size() > 0xFFFFFFFEu) {
        m_ok = false;
        return;
    }
    const auto len = static_cast<DWORD>(text.size());
    if (len < 0xFF) {
        WriteByte(static_cast<BYTE>(len));
    } else if (len < 0xFFFE) {
        WriteByte(0xFF);
        WriteWord(static_cast<WORD>(len));
    } else {
        WriteByte(0xFF);
        WriteWord(0xFFFF);
        WriteDword(len);
    }
    WriteBytes(text.data(), text.size());
}

void CArchiveWriter::WriteObjectHeader(const std::string& className, WORD schema) {
    if (m_mapCount >= kMaxMapCount || className.size() > 0xFFFF) {
        m_ok = false;
        return;
    }
    auto it = m_classes.find(className);
    if (it == m_classes.end()) {
        WriteWord(kNewClassTag);
        WriteWord(schema);
        WriteWord(static_cast<WORD>(className.size()));
        WriteBytes(className.data(), className.size());
        m_classes.emplace(className, m_mapCount++);
    } else if (it->second < kBigObjectTag) {
        WriteWord(static_cast<WORD>(kClassTag | it->second));
    } else {
        WriteWord(kBigObjectTag);
        WriteDword(kBigClassTag | it->second);
    }
    ++m_mapCount; // the object itself
}

void CArchiveWriter::WriteNullObject() {
    WriteWord(kNullTag);
}

bool CArchiveWriter::Commit() {
    if (!m_open)
        return false;
    Flush();
    m_open = false;
    if (!m_ok) {
        Abandon();
        return false;
    }
    m_ok = false;
    return m_toMemory || m_file.Commit();
}

void CArchiveWriter::Abandon() {
    m_file.Abandon();
    m_toMemory = false;
    m_memory.clear();
    m_open = false;
    m_used = 0;
    m_ok = false;
}

// ---- reader -----------------------------------------------------------------

namespace {
// Bytes as they are (Windows' C library would otherwise translate line
// ends), and not inherited by a program started meanwhile.
#if defined(_WIN32)
constexpr int kReadOnlyFlags = O_RDONLY | O_BINARY | O_NOINHERIT;
#else
constexpr int kReadOnlyFlags = O_RDONLY | O_CLOEXEC;
#endif
} // namespace

CArchiveReader::~CArchiveReader() {
    Close();
}

bool CArchiveReader::Open(const std::string& path) {
    Close();
    m_fd = ::open(NativePath(path).c_str(), kReadOnlyFlags);
    if (m_fd < 0)
        return false;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        Close();
        return false;
    }
    m_size = static_cast<std::size_t>(st.st_size);
    return true;
}

void CArchiveReader::OpenMemory(const BYTE* data, std::size_t size) {
    Close();
    m_source = data;
    m_size = data != nullptr ? size : 0;
}

void CArchiveReader::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_source = nullptr;
    m_size = m_consumed = m_pos = m_end = 0;
    m_classes.clear();
    m_mapCount = 1;
}

bool CArchiveReader::Fill() {
    m_pos = m_end = 0;
    std::size_t want = std::min(ARCHIVE_BUFFER_SIZE, Remaining());
    if (m_source != nullptr) {
        // Everything buffered was handed over: the next bytes start there.
        std::memcpy(m_buffer, m_source + m_consumed, want);
        m_end = want;
        return m_end > 0;
    }
    if (m_fd < 0)
        return false;
    while (m_end < want) {
        ssize_t n = ::read(m_fd, m_buffer + m_end, want - m_end);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false; // error, or the file shrank under us
        m_end += static_cast<std::size_t>(n);
    }
    return m_end > 0;
}

bool CArchiveReader::ReadBytes(void* data, std::size_t size) {
    if (size > Remaining())
        return false;
    BYTE* p = static_cast<BYTE*>(data);
    while (size > 0) {
        if (m_pos == m_end && !Fill())
            return false;
        std::size_t n = std::min(size, m_end - m_pos);
        std::memcpy(p, m_buffer + m_pos, n);
        m_pos += n;
        m_consumed += n;
        p += n;
        size -= n;
    }
    return true;
}

bool CArchiveReader::ReadByte(BYTE& v) {
    return ReadBytes(&v, 1);
}

bool CArchiveReader::ReadWord(WORD& v) {
    BYTE b[2];
    if (!ReadBytes(b, 2))
        return false;
    v = Le16(b);
    return true;
}

bool CArchiveReader::ReadDword(DWORD& v) {
    BYTE b[4];
    if (!ReadBytes(b, 4))
        return false;
    v = Le32(b);
    return true;
}

bool CArchiveReader::ReadCount(DWORD& count, std::size_t minItemBytes) {
    WORD w = 0;
    if (!ReadWord(w))
        return false;
    if (w != 0xFFFF) {
        count = w;
    } else if (!ReadDword(count)) {
        return false;
    }
    return minItemBytes == 0 || count <= Remaining() / minItemBytes;
}

bool CArchiveReader::ReadString(std::string& text) {
    bool wide = false;
    DWORD len = 0;
    for (;;) {
        BYTE b = 0;
        if (!ReadByte(b))
            return false;
        if (b < 0xFF) {
            len = b;
            break;
        }
        WORD w = 0;
        if (!ReadWord(w))
            return false;
        if (w == 0xFFFE) {
            if (wide)
                return false; // the marker only once
            wide = true;
            continue;
        }
        if (w < 0xFFFF) {
            len = w;
        } else if (!ReadDword(len)) {
            return false;
        }
        break;
    }
    if (!wide) {
        if (len > Remaining())
            return false;
        text.assign(len, '\0');
        return ReadBytes(text.data(), len);
    }
    if (len > Remaining() / 2)
        return false;
    std::vector<WORD> units(len);
    for (auto& u : units) {
        if (!ReadWord(u))
            return false;
    }
    text = Utf16ToUtf8(units);
    return true;
}

CArchiveReader::ObjectTag CArchiveReader::ReadObjectHeader(std::string& className, WORD& schema) {
    WORD tag = 0;
    if (!ReadWord(tag))
        return ObjectTag::Fail;
    if (tag == kNullTag)
        return ObjectTag::Null;
    if (m_mapCount >= kMaxMapCount)
        return ObjectTag::Fail;
    if (tag == kNewClassTag) {
        WORD nameLen = 0;
        if (!ReadWord(schema) || !ReadWord(nameLen) || nameLen == 0 || nameLen > Remaining())
            return ObjectTag::Fail;
        className.assign(nameLen, '\0');
        if (!ReadBytes(className.data(), nameLen))
            return ObjectTag::Fail;
        m_classes[m_mapCount++] = ClassEntry{className, schema};
        ++m_mapCount; // the object itself
        return ObjectTag::Object;
    }
    DWORD objTag = 0;
    if (tag == kBigObjectTag) {
        if (!ReadDword(objTag))
            return ObjectTag::Fail;
    } else {
        objTag = (static_cast<DWORD>(tag & kClassTag) << 16) | (tag & 0x7FFF);
    }
    if ((objTag & kBigClassTag) == 0)
        return ObjectTag::Fail; // a back reference to an object already read
    auto it = m_classes.find(objTag & ~kBigClassTag);
    if (it == m_classes.end())
        return ObjectTag::Fail;
    className = it->second.name;
    schema = it->second.schema;
    ++m_mapCount;
    return ObjectTag::Object;
}

} // namespace plat
