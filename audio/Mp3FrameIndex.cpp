#include "audio/Mp3FrameIndex.h"

#include <algorithm>
#include <cstring>

using namespace plat;

namespace {

// Headers are read through a window of the file, so indexing costs one read
// per 64 KiB rather than a seek and a read per frame.
constexpr DWORD kWindowSize = 64 * 1024;

} // namespace

bool CMp3FrameIndex::ReadAt(CSourceFile& file, DWORD offset, void* buffer, DWORD count,
                            DWORD& got) {
    got = 0;
    if (offset < m_windowStart || offset + count > m_windowStart + m_windowSize) {
        DWORD reached = 0;
        if (!file.Seek(offset, CSourceFile::Origin::Begin, reached))
            return false;
        m_windowStart = reached;
        m_windowSize = 0;
        if (reached != offset)
            return true; // beyond the bytes the file holds
        if (!file.Read(m_window.data(), kWindowSize, m_windowSize))
            return false;
    }
    const DWORD from = offset - m_windowStart;
    got = from < m_windowSize ? std::min(count, m_windowSize - from) : 0;
    if (got > 0)
        std::memcpy(buffer, m_window.data() + from, got);
    return true;
}

void CMp3FrameIndex::Clear() {
    m_info = Mp3FrameInfo{};
    m_lengths.clear();
    m_frameCount = 0;
    m_largest = 0;
}

DWORD CMp3FrameIndex::BytesOf(DWORD first, DWORD count) const {
    DWORD total = 0;
    for (DWORD i = first; i < first + count && i < m_frameCount; ++i)
        total += FrameLength(i);
    return total;
}

DWORD CMp3FrameIndex::Resync(CSourceFile& file, DWORD lastStart, DWORD dataEnd, bool& ioError) {
    ioError = false;
    const DWORD last = std::min<DWORD>(lastStart + 2u * m_largest, dataEnd >= 4 ? dataEnd - 4 : 0);
    for (DWORD at = lastStart + 1; at <= last; ++at) {
        unsigned char raw[4];
        DWORD got = 0;
        if (!ReadAt(file, at, raw, 4, got)) {
            ioError = true;
            return 0;
        }
        if (got < 4)
            return 0;
        Mp3FrameInfo info;
        const WORD length = ParseMp3FrameHeader(raw, info);
        if (length == 0 || !SameMp3Stream(info, m_info))
            continue;
        // A sync pattern inside audio data is no header unless the frame it
        // announces is followed by another header of the stream, or by the end.
        const DWORD next = at + length;
        if (next + 4 <= dataEnd) {
            if (!ReadAt(file, next, raw, 4, got)) {
                ioError = true;
                return 0;
            }
            Mp3FrameInfo following;
            if (got == 4 &&
                (ParseMp3FrameHeader(raw, following) == 0 || !SameMp3Stream(following, m_info)))
                continue;
        }
        return at;
    }
    return 0;
}

CMp3FrameIndex::Result CMp3FrameIndex::Build(CSourceFile& file, DWORD dataStart, DWORD dataEnd,
                                             bool constantFrames) {
    Clear();
    m_window.resize(kWindowSize);
    m_windowStart = m_windowSize = 0;
    struct Release {
        std::vector<unsigned char>& window;
        ~Release() { std::vector<unsigned char>().swap(window); }
    } release{m_window};

    unsigned char raw[4];
    DWORD got = 0;
    if (!ReadAt(file, dataStart, raw, 4, got))
        return Result::ReadError;
    if (got < 4)
        return Result::NotMpeg;
    const WORD first = ParseMp3FrameHeader(raw, m_info);
    if (first == 0)
        return Result::NotMpeg;
    if (dataStart + first > dataEnd)
        return Result::FirstFrameTooLong;
    if (!m_info.IsLayer3())
        return Result::NotLayer3;

    m_lengths.push_back(first);
    m_frameCount = 1;
    m_largest = first;

    if (constantFrames) {
        m_frameCount = (dataEnd - dataStart) / first;
        return Result::Ok;
    }

    std::uint64_t bitRateSum = m_info.bitRate;
    DWORD lastStart = dataStart;
    DWORD next = dataStart + first;
    bool reachedEnd = false;
    for (;;) {
        if (next >= dataEnd) {
            reachedEnd = true;
            break;
        }
        if (!ReadAt(file, next, raw, 4, got))
            return Result::ReadError;
        if (got < 4) {
            reachedEnd = true; // the file ends before the length it announced
            break;
        }
        Mp3FrameInfo info;
        WORD length = ParseMp3FrameHeader(raw, info);
        if (length == 0) {
            bool ioError = false;
            const DWORD found = Resync(file, lastStart, dataEnd, ioError);
            if (ioError)
                return Result::ReadError;
            if (found == 0)
                break;
            m_lengths.back() = static_cast<WORD>(found - lastStart);
            m_largest = std::max(m_largest, m_lengths.back());
            next = found;
            if (!ReadAt(file, next, raw, 4, got))
                return Result::ReadError;
            length = ParseMp3FrameHeader(raw, info);
        }
        if (next + length <= dataEnd) {
            m_lengths.push_back(length);
            m_largest = std::max(m_largest, length);
            bitRateSum += info.bitRate;
            lastStart = next;
        }
        next += length;
    }

    m_frameCount = static_cast<DWORD>(m_lengths.size());
    if (reachedEnd) {
        m_info.bitRate = static_cast<DWORD>(bitRateSum / m_lengths.size());
        m_info.frameMs =
            static_cast<float>(static_cast<double>(m_largest) * 8.0 / m_info.bitRate * 1000.0);
    }
    return Result::Ok;
}
