// A file given as a URL, fetched into memory and read like a local file.
#pragma once

#include "audio/SourceFile.h"

#include <cstdint>
#include <string>
#include <vector>

class CUrlFile : public CSourceFile {
public:
    enum class Result { Ok, Failed, NoLength, TooLong };

    // Fetches the URL, never more than the length the server announced. With
    // httpLength the server must announce a Content-Length, else the result
    // is NoLength. A file of 10 digits of length or more, or too large to hold
    // in memory, is TooLong as soon as its length is known.
    Result Open(const std::string& url, bool httpLength);

    // The announced Content-Length (0 when none was announced).
    plat::DWORD GetContentLength() const { return m_contentLength; }

    bool Read(void* buffer, plat::DWORD count, plat::DWORD& got) override;
    bool Seek(std::int64_t offset, Origin origin, plat::DWORD& reached) override;
    plat::DWORD GetLength() const override;
    void Close() override;

private:
    std::vector<std::uint8_t> m_bytes;
    plat::DWORD m_contentLength = 0;
    plat::DWORD m_position = 0;
    bool m_open = false;
};
