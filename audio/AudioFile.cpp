#include "audio/AudioFile.h"

#include <cctype>

using namespace plat;

namespace {
int KindOfName(const std::string& name) {
    if (name.size() < 4)
        return CAudioFile::kNone;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext == ".WAV")
        return CAudioFile::kWave;
    if (ext == ".MP3" || ext == ".SNF")
        return CAudioFile::kMpeg;
    return CAudioFile::kNone;
}
} // namespace

CAudioSource* CAudioFile::Selected() {
    if (m_kind == kWave)
        return &m_wave;
    if (m_kind == kMpeg)
        return &m_mp3;
    return nullptr;
}

HRESULT CAudioFile::Forward(HRESULT result, CAudioSource& reader) {
    if (result < 0)
        m_lastError = reader.GetLastError();
    return result;
}

const WAVEFORMATEX* CAudioFile::GetFormat() const {
    return m_format.get();
}

DWORD CAudioFile::GetDataSize() const {
    return m_dataSize;
}

HRESULT CAudioFile::Open(const std::string& name) {
    if (name.empty()) {
        m_lastError = kErrEmptyFileName;
        return E_FAIL;
    }
    if (m_kind != kNone)
        Close();
    m_kind = KindOfName(name);
    if (m_kind == kNone) {
        m_lastError = kErrUnknownFormat;
        return E_FAIL;
    }

    HRESULT result = E_FAIL;
    CAudioSource* reader = nullptr;
    if (m_kind == kMpeg) {
        reader = &m_mp3;
        result = Forward(m_mp3.Open(name), m_mp3);
    } else {
        WORD tag = 0;
        RiffChunkHeader fmt;
        if (OpenRiff(name) && ReadFormatTag(tag, fmt)) {
            const DWORD length = m_fileLength;
            const DWORD position = m_position;
            if (tag == WAVE_FORMAT_PCM || tag == WAVE_FORMAT_EXTENSIBLE) {
                reader = &m_wave;
                result = Forward(
                    m_wave.OpenFromFile(ReleaseFile(), length, position, fmt.length, tag), m_wave);
            } else if (tag == WAVE_FORMAT_MPEGLAYER3) {
                m_kind = kMpeg;
                reader = &m_mp3;
                result =
                    Forward(m_mp3.OpenFromFile(ReleaseFile(), length, position, fmt.length), m_mp3);
            } else {
                m_kind = kNone;
                CloseFile();
                m_lastError = kErrUnknownFormat;
            }
        }
    }

    if (result < 0) {
        // Nothing stays open after a failed open, here or in the reader.
        CloseFile();
        if (reader)
            reader->Close();
        m_kind = kNone;
        m_format.reset();
        m_dataSize = 0;
        return result;
    }
    if (const WAVEFORMATEX* format = reader->GetFormat())
        m_format = std::make_unique<WAVEFORMATEX>(*format);
    m_dataSize = reader->GetDataSize();
    m_opened = true;
    return result;
}

DWORD CAudioFile::Seek(DWORD offset) {
    CAudioSource* reader = Selected();
    if (!reader) {
        m_lastError = kErrUnknownFormat;
        return 0;
    }
    const DWORD reached = reader->Seek(offset);
    if (reached != offset)
        m_lastError = reader->GetLastError();
    return reached;
}

HRESULT CAudioFile::Rewind() {
    CAudioSource* reader = Selected();
    if (!reader) {
        m_lastError = kErrUnknownFormat;
        return E_FAIL;
    }
    return Forward(reader->Rewind(), *reader);
}

HRESULT CAudioFile::Read(DWORD count, void* buffer, DWORD& got) {
    got = 0;
    CAudioSource* reader = Selected();
    if (!reader) {
        m_lastError = kErrUnknownFormat;
        return E_FAIL;
    }
    return Forward(reader->Read(count, buffer, got), *reader);
}

HRESULT CAudioFile::Close() {
    CAudioSource* reader = Selected();
    HRESULT result = E_FAIL;
    if (reader)
        result = Forward(reader->Close(), *reader);
    else
        m_lastError = kErrUnknownFormat;
    CloseFile();
    m_format.reset();
    m_dataSize = 0;
    m_kind = kNone;
    m_opened = false;
    return result;
}
