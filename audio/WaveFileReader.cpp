#include "audio/WaveFileReader.h"

#include "platform/archive/little_endian.h"

#include <cstring>

using namespace plat;

namespace {

// The fmt payload of an extensible format: 16 bytes as in PCM, the extra
// size, valid bits, channel mask and the 16-byte sub-format GUID.
constexpr DWORD kExtensibleFmtSize = 40;
constexpr WORD kExtensibleExtraSize = 22;
// KSDATAFORMAT_SUBTYPE_PCM as it is stored: 00000001-0000-0010-8000-00AA00389B71.
constexpr unsigned char kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                             0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

} // namespace

bool CWaveFileReader::ReadFormat(DWORD fmtSize, WORD formatTag) {
    DWORD wanted = 0;
    if (formatTag == WAVE_FORMAT_PCM && fmtSize == 16)
        wanted = 14;
    else if (formatTag == WAVE_FORMAT_PCM && fmtSize == 18)
        wanted = 16;
    else if (formatTag == WAVE_FORMAT_EXTENSIBLE && fmtSize >= kExtensibleFmtSize)
        wanted = kExtensibleFmtSize - 2;
    else if (formatTag == WAVE_FORMAT_PCM || formatTag == WAVE_FORMAT_EXTENSIBLE) {
        m_lastError = kErrUnknownFmtSize;
        return false;
    } else {
        m_lastError = kErrUnknownFormat;
        return false;
    }
    unsigned char raw[kExtensibleFmtSize - 2] = {};
    DWORD got = 0;
    if (!ReadFile(raw, wanted, got) || got != wanted) {
        m_lastError = kErrReadingFile;
        return false;
    }
    auto format = std::make_unique<WAVEFORMATEX>();
    format->wFormatTag = WAVE_FORMAT_PCM;
    format->nChannels = Le16(raw);
    format->nSamplesPerSec = Le32(raw + 2);
    format->nAvgBytesPerSec = Le32(raw + 6);
    format->nBlockAlign = Le16(raw + 10);
    format->wBitsPerSample = Le16(raw + 12);
    format->cbSize = 0;
    if (formatTag == WAVE_FORMAT_PCM && wanted == 16)
        format->cbSize = Le16(raw + 14);
    if (formatTag == WAVE_FORMAT_EXTENSIBLE) {
        // Only PCM samples play; the extra bytes are not handed on, the
        // samples are PCM of the layout above.
        if (Le16(raw + 14) < kExtensibleExtraSize ||
            std::memcmp(raw + 22, kPcmSubFormat, sizeof kPcmSubFormat) != 0) {
            m_lastError = kErrUnknownFormat;
            return false;
        }
        const RiffChunkHeader fmt{kFourCCFmt, fmtSize};
        if (!SkipChunkRest(fmt, kExtensibleFmtSize)) {
            m_lastError = kErrReadingFile;
            return false;
        }
    }

    // Every consumer divides by these: a format without them describes no sound.
    if (format->nChannels == 0 || format->nBlockAlign == 0 || format->nSamplesPerSec == 0 ||
        format->nAvgBytesPerSec == 0) {
        m_lastError = kErrInvalidWave;
        return false;
    }
    m_format = std::move(format);
    return true;
}

HRESULT CWaveFileReader::OpenFromFile(std::unique_ptr<CSourceFile> file, DWORD fileLength,
                                      DWORD position, DWORD fmtSize, WORD formatTag) {
    m_format.reset();
    Close();
    m_dataSize = 0;
    m_bytesRead = 0;
    if (!file) {
        m_lastError = kErrNoOpenFile;
        return E_FAIL;
    }
    m_file = std::move(file);
    m_fileLength = fileLength;
    m_position = position;

    if (!ReadFormat(fmtSize, formatTag)) {
        Close();
        return E_FAIL;
    }
    const HRESULT result = Rewind();
    if (result != S_OK) {
        Close();
        m_format.reset();
    }
    return result;
}

HRESULT CWaveFileReader::Rewind() {
    if (!m_file) {
        m_lastError = kErrNoOpenFile;
        return E_FAIL;
    }
    if (m_dataStart != 0) {
        if (!SeekFile(m_dataStart, CSourceFile::Origin::Begin)) {
            Close();
            m_lastError = kErrReadingFile;
            return E_FAIL;
        }
        return S_OK;
    }
    RiffChunkHeader header;
    if (!FindChunk(kFourCCData, header))
        return E_FAIL;
    // The data size never reaches beyond the bytes the file holds.
    const DWORD held = m_file->GetLength() > m_position ? m_file->GetLength() - m_position : 0;
    m_dataSize = header.length < held ? header.length : held;
    m_dataStart = m_position;
    return S_OK;
}

HRESULT CWaveFileReader::Read(DWORD count, void* buffer, DWORD& got) {
    got = 0;
    if (!m_file || !m_format) {
        m_lastError = kErrNoOpenFile;
        return E_FAIL;
    }
    const DWORD whole = count - count % m_format->nBlockAlign;
    if (!ReadFile(buffer, whole, got)) {
        Close();
        m_lastError = kErrReadingFile;
        return E_FAIL;
    }
    m_bytesRead += got;
    return S_OK;
}

DWORD CWaveFileReader::Seek(DWORD offset) {
    if (m_dataStart == 0 || !m_file)
        return 0;
    const std::uint64_t target = static_cast<std::uint64_t>(m_dataStart) + offset;
    if (target >= m_fileLength) {
        if (!SeekFile(0, CSourceFile::Origin::End)) {
            m_lastError = kErrReadingFile;
            return 0;
        }
        return m_position;
    }
    if (!SeekFile(static_cast<std::int64_t>(target), CSourceFile::Origin::Begin)) {
        m_lastError = kErrReadingFile;
        return 0;
    }
    return offset;
}

HRESULT CWaveFileReader::Close() {
    CloseFile();
    m_dataStart = 0;
    return S_OK;
}

HRESULT CWaveFileReader::Open(const std::string& name) {
    WORD tag = 0;
    RiffChunkHeader fmt;
    if (!OpenRiff(name) || !ReadFormatTag(tag, fmt)) {
        CloseFile();
        return E_FAIL;
    }
    const DWORD length = m_fileLength;
    const DWORD position = m_position;
    return OpenFromFile(ReleaseFile(), length, position, fmt.length, tag);
}
