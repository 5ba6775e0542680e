#include "audio/WaveFileReader.h"

#include "platform/little_endian.h"

using namespace plat;

HRESULT CWaveFileReader::OpenFromFile(std::unique_ptr<CSourceFile> file, DWORD fileLength,
                                      DWORD position, DWORD fmtSize) {
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

    auto format = std::make_unique<WAVEFORMATEX>();
    format->wFormatTag = WAVE_FORMAT_PCM;
    format->cbSize = 0;

    DWORD wanted = 0;
    if (fmtSize == 16)
        wanted = 14;
    else if (fmtSize == 18)
        wanted = 16;
    else {
        Close();
        m_lastError = kErrUnknownFmtSize;
        return E_FAIL;
    }
    unsigned char raw[16] = {};
    DWORD got = 0;
    if (!ReadFile(raw, wanted, got) || got != wanted) {
        Close();
        m_lastError = kErrReadingFile;
        return E_FAIL;
    }
    format->nChannels = Le16(raw);
    format->nSamplesPerSec = Le32(raw + 2);
    format->nAvgBytesPerSec = Le32(raw + 6);
    format->nBlockAlign = Le16(raw + 10);
    format->wBitsPerSample = Le16(raw + 12);
    if (wanted == 16)
        format->cbSize = Le16(raw + 14);

    // Every consumer divides by these: a format without them describes no sound.
    if (format->nChannels == 0 || format->nBlockAlign == 0 || format->nSamplesPerSec == 0 ||
        format->nAvgBytesPerSec == 0) {
        Close();
        m_lastError = kErrInvalidWave;
        return E_FAIL;
    }
    m_format = std::move(format);
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
    if (tag != WAVE_FORMAT_PCM) {
        CloseFile();
        m_lastError = kErrUnknownFormat;
        return E_FAIL;
    }
    const DWORD length = m_fileLength;
    const DWORD position = m_position;
    return OpenFromFile(ReleaseFile(), length, position, fmt.length);
}
