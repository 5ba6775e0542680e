#include "audio/UrlFile.h"

#include "platform/system/url_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

using namespace plat;

namespace {
// The length header is read into a 10-byte buffer: 10 digits or more do not fit.
constexpr std::uint64_t kLongestLength = 999999999;
// The file is held in memory while it plays.
constexpr std::uint64_t kMostBytes = 512ull * 1024 * 1024;
} // namespace

CUrlFile::Result CUrlFile::Open(const std::string& url, bool httpLength) {
    Close();
    UrlContent content;
    // A longer file fails as soon as its length is announced (or its body
    // passes the bound), before the rest is fetched.
    const UrlFetchResult fetched =
        FetchUrl(url, httpLength, content, std::min(kLongestLength, kMostBytes));
    if (fetched == UrlFetchResult::NoContentLength)
        return Result::NoLength;
    if (fetched == UrlFetchResult::TooLarge)
        return Result::TooLong;
    if (fetched != UrlFetchResult::Ok)
        return Result::Failed;
    if (httpLength && content.contentLength < 0)
        return Result::NoLength;
    if (content.bytes.size() > std::numeric_limits<DWORD>::max())
        return Result::Failed;
    m_bytes = std::move(content.bytes);
    m_contentLength = content.contentLength > 0 ? static_cast<DWORD>(content.contentLength) : 0;
    m_position = 0;
    m_open = true;
    return Result::Ok;
}

bool CUrlFile::Read(void* buffer, DWORD count, DWORD& got) {
    got = 0;
    if (!m_open)
        return false;
    const DWORD left = GetLength() - m_position;
    got = std::min(count, left);
    if (got)
        std::memcpy(buffer, m_bytes.data() + m_position, got);
    m_position += got;
    return true;
}

bool CUrlFile::Seek(std::int64_t offset, Origin origin, DWORD& reached) {
    DWORD target = 0;
    if (!m_open || !SeekTarget(offset, origin, m_position, GetLength(), target))
        return false;
    m_position = target;
    reached = m_position;
    return true;
}

DWORD CUrlFile::GetLength() const {
    return static_cast<DWORD>(m_bytes.size());
}

void CUrlFile::Close() {
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_contentLength = 0;
    m_position = 0;
    m_open = false;
}
