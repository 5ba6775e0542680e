// A local file opened read-only, as a reader's byte stream.
#pragma once

#include "audio/SourceFile.h"

#include <cstdio>
#include <string>

class CLocalFile : public CSourceFile {
public:
    ~CLocalFile() override;

    // Opens an existing regular file (either separator accepted).
    bool Open(const std::string& name);

    bool Read(void* buffer, plat::DWORD count, plat::DWORD& got) override;
    bool Seek(std::int64_t offset, Origin origin, plat::DWORD& reached) override;
    plat::DWORD GetLength() const override { return m_length; }
    void Close() override;

private:
    std::FILE* m_stream = nullptr;
    plat::DWORD m_length = 0;
    plat::DWORD m_position = 0;
};
