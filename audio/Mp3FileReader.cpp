#include "audio/Mp3FileReader.h"

using namespace plat;

namespace {
constexpr const char* kNotAvailable = "MPEG audio is not supported";
}

DWORD CMp3FileReader::Seek(DWORD) {
    return 0;
}

HRESULT CMp3FileReader::Close() {
    CloseFile();
    m_format.reset();
    m_dataSize = 0;
    return S_OK;
}

HRESULT CMp3FileReader::Rewind() {
    m_lastError = kNotAvailable;
    return E_FAIL;
}

HRESULT CMp3FileReader::Open(const std::string&) {
    CloseFile();
    m_lastError = kNotAvailable;
    return E_FAIL;
}

HRESULT CMp3FileReader::Read(DWORD, void*, DWORD& got) {
    got = 0;
    m_lastError = kNotAvailable;
    return E_FAIL;
}

HRESULT CMp3FileReader::OpenFromFile(std::unique_ptr<CSourceFile> file, DWORD, DWORD, DWORD) {
    if (file)
        file->Close();
    CloseFile();
    m_lastError = kNotAvailable;
    return E_FAIL;
}
