// The reader of uncompressed PCM WAVE files.
#pragma once

#include "audio/AudioSource.h"

class CWaveFileReader : public CAudioSource {
public:
    plat::DWORD Seek(plat::DWORD offset) override;
    plat::HRESULT Close() override;
    plat::HRESULT Rewind() override;
    plat::HRESULT Open(const std::string& name) override;
    plat::HRESULT Read(plat::DWORD count, void* buffer, plat::DWORD& got) override;

    // Takes over a file whose fmt chunk format tag (PCM) has just been read:
    // reads the rest of the fmt payload (fmtSize 16 or 18), then finds the
    // data chunk.
    plat::HRESULT OpenFromFile(std::unique_ptr<CSourceFile> file, plat::DWORD fileLength,
                               plat::DWORD position, plat::DWORD fmtSize);

    // File offset of the first PCM byte (0 until located) and bytes returned.
    plat::DWORD GetDataStart() const { return m_dataStart; }
    plat::DWORD GetBytesRead() const { return m_bytesRead; }

private:
    plat::DWORD m_dataStart = 0;
    plat::DWORD m_bytesRead = 0;
};
