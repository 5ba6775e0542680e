#include "audio/LocalFile.h"

#include "platform/files/paths.h"

#include <limits>

using namespace plat;

CLocalFile::~CLocalFile() {
    Close();
}

bool CLocalFile::Open(const std::string& name) {
    Close();
    if (!plat::FileExists(name))
        return false;
    m_stream = std::fopen(plat::NativePath(name).c_str(), "rb");
    if (!m_stream)
        return false;
    if (std::fseek(m_stream, 0, SEEK_END) != 0) {
        Close();
        return false;
    }
    const long end = std::ftell(m_stream);
    if (end < 0 || std::fseek(m_stream, 0, SEEK_SET) != 0) {
        Close();
        return false;
    }
    // Offsets are 32-bit: a larger file is read as its first 4 GiB - 1 bytes.
    const auto limit = static_cast<long long>(std::numeric_limits<DWORD>::max());
    m_length = static_cast<DWORD>(end > limit ? limit : end);
    m_position = 0;
    return true;
}

bool CLocalFile::Read(void* buffer, DWORD count, DWORD& got) {
    got = 0;
    if (!m_stream)
        return false;
    const DWORD left = m_length - m_position;
    const DWORD wanted = count < left ? count : left;
    const std::size_t n = wanted ? std::fread(buffer, 1, wanted, m_stream) : 0;
    if (n < wanted && std::ferror(m_stream))
        return false;
    got = static_cast<DWORD>(n);
    m_position += got;
    return true;
}

bool CLocalFile::Seek(std::int64_t offset, Origin origin, DWORD& reached) {
    DWORD target = 0;
    if (!m_stream || !SeekTarget(offset, origin, m_position, m_length, target))
        return false;
    if (std::fseek(m_stream, static_cast<long>(target), SEEK_SET) != 0)
        return false;
    m_position = target;
    reached = m_position;
    return true;
}

void CLocalFile::Close() {
    if (m_stream) {
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    m_length = 0;
    m_position = 0;
}
