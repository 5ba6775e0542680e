// Placeholder for the MPEG audio reader: every open fails cleanly with E_FAIL
// until the decoder-backed reader replaces this file.
#pragma once

#include "audio/AudioSource.h"

class CMp3FileReader : public CAudioSource {
public:
    plat::DWORD Seek(plat::DWORD offset) override;
    plat::HRESULT Close() override;
    plat::HRESULT Rewind() override;
    plat::HRESULT Open(const std::string& name) override;
    plat::HRESULT Read(plat::DWORD count, void* buffer, plat::DWORD& got) override;

    // Takes over a RIFF file positioned after the fmt chunk's format tag.
    plat::HRESULT OpenFromFile(std::unique_ptr<CSourceFile> file, plat::DWORD fileLength,
                               plat::DWORD position, plat::DWORD fmtSize);
};
