#include "audio/AudioSource.h"

#include "audio/LocalFile.h"
#include "audio/UrlFile.h"
#include "platform/archive/little_endian.h"

#include <cctype>
#include <cstring>

using namespace plat;

namespace {

// Chunk codes are four printable ASCII characters.
bool IsChunkCode(const unsigned char* p) {
    for (int i = 0; i < 4; ++i)
        if (p[i] < 0x20 || p[i] > 0x7E)
            return false;
    return true;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

UrlService ClassifyName(const std::string& name) {
    const auto sep = name.find("://");
    if (sep == std::string::npos)
        return UrlService::None;
    const std::string scheme = Lower(name.substr(0, sep));
    if (scheme == "ftp")
        return UrlService::Ftp;
    if (scheme == "gopher")
        return UrlService::Gopher;
    if (scheme == "http")
        return UrlService::Http;
    if (scheme == "file")
        return UrlService::File;
    return UrlService::None;
}

CAudioSource::~CAudioSource() {
    CloseFile();
}

const WAVEFORMATEX* CAudioSource::GetFormat() const {
    return m_format.get();
}

DWORD CAudioSource::GetDataSize() const {
    return m_dataSize;
}

std::string CAudioSource::GetLastError() const {
    return m_lastError;
}

std::unique_ptr<CSourceFile> CAudioSource::ReleaseFile() {
    return std::move(m_file);
}

void CAudioSource::CloseFile() {
    if (m_file) {
        m_file->Close();
        m_file.reset();
    }
}

bool CAudioSource::ReadFile(void* buffer, DWORD count, DWORD& got) {
    got = 0;
    if (!m_file || !m_file->Read(buffer, count, got))
        return false;
    m_position += got;
    return true;
}

bool CAudioSource::SeekFile(std::int64_t offset, CSourceFile::Origin origin) {
    DWORD reached = 0;
    if (!m_file || !m_file->Seek(offset, origin, reached))
        return false;
    m_position = reached;
    return true;
}

bool CAudioSource::OpenAny(const std::string& name) {
    CloseFile();
    const UrlService service = ClassifyName(name);
    if (service == UrlService::None) {
        auto local = std::make_unique<CLocalFile>();
        if (!local->Open(name)) {
            m_lastError = kErrOpeningFile;
            return false;
        }
        m_fileLength = local->GetLength();
        m_file = std::move(local);
    } else {
        auto url = std::make_unique<CUrlFile>();
        const CUrlFile::Result result = url->Open(name, service == UrlService::Http);
        if (result == CUrlFile::Result::NoLength || result == CUrlFile::Result::TooLong) {
            m_lastError = kErrTooLongFile;
            return false;
        }
        if (result != CUrlFile::Result::Ok) {
            m_lastError = kErrOpeningFile;
            return false;
        }
        m_fileLength = service == UrlService::Http ? url->GetContentLength() : url->GetLength();
        m_file = std::move(url);
    }
    m_position = 0;
    return true;
}

bool CAudioSource::OpenRiff(const std::string& name) {
    if (!OpenAny(name))
        return false;
    RiffChunkHeader header;
    // The RIFF header must be the file's first chunk.
    if (!FindChunk(kFourCCRiff, header) || m_position != 8) {
        if (m_file)
            CloseFile();
        m_lastError = kErrInvalidWave;
        return false;
    }
    unsigned char form[4] = {};
    DWORD got = 0;
    if (!ReadFile(form, 4, got)) {
        CloseFile();
        m_lastError = kErrOpeningFile;
        return false;
    }
    if (got != 4 || Le32(form) != kFourCCWave) {
        CloseFile();
        m_lastError = kErrInvalidWave;
        return false;
    }
    return true;
}

bool CAudioSource::FindChunk(DWORD code, RiffChunkHeader& header) {
    if (!m_file) {
        m_lastError = kErrNoOpenFile;
        return false;
    }
    RiffChunkHeader current;
    bool ended = false;
    while (current.code != code && m_position < m_fileLength) {
        if (!SeekFile(current.length, CSourceFile::Origin::Current)) {
            CloseFile();
            m_lastError = kErrOpeningFile;
            return false;
        }
        unsigned char raw[8];
        DWORD got = 0;
        if (!ReadFile(raw, 8, got)) {
            CloseFile();
            m_lastError = kErrOpeningFile;
            return false;
        }
        if (got == 8 && !IsChunkCode(raw)) {
            // RIFF writers pad a chunk of odd length with one byte: when no
            // chunk header stands at the stated length, look one byte further.
            const DWORD exact = m_position - 8;
            unsigned char padded[8];
            DWORD more = 0;
            if (!SeekFile(std::int64_t{exact} + 1, CSourceFile::Origin::Begin) ||
                !ReadFile(padded, 8, more)) {
                CloseFile();
                m_lastError = kErrOpeningFile;
                return false;
            }
            if (more == 8 && IsChunkCode(padded)) {
                std::memcpy(raw, padded, 8);
            } else if (!SeekFile(std::int64_t{exact} + 8, CSourceFile::Origin::Begin)) {
                CloseFile();
                m_lastError = kErrOpeningFile;
                return false;
            }
        }
        if (got < 8) {
            // The bytes held end inside a chunk header, whatever the stated
            // file length says: nothing more to find.
            ended = true;
            break;
        }
        current.code = Le32(raw);
        current.length = Le32(raw + 4);
    }
    if (ended || current.code != code || m_position >= m_fileLength) {
        m_lastError = kErrChunkNotFound;
        return false;
    }
    header = current;
    return true;
}

bool CAudioSource::SkipChunkRest(const RiffChunkHeader& header, DWORD consumed) {
    if (consumed >= header.length)
        return true;
    return SeekFile(header.length - consumed, CSourceFile::Origin::Current);
}

bool CAudioSource::ReadFormatTag(WORD& tag, RiffChunkHeader& header) {
    if (!m_file) {
        m_lastError = kErrNoOpenFile;
        return false;
    }
    if (!FindChunk(kFourCCFmt, header))
        return false;
    unsigned char raw[2] = {};
    DWORD got = 0;
    if (!ReadFile(raw, 2, got) || got != 2) {
        CloseFile();
        m_lastError = kErrReadingFile;
        return false;
    }
    tag = Le16(raw);
    return true;
}
