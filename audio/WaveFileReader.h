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

    // Takes over a file whose fmt chunk format tag has just been read: reads
    // the rest of the fmt payload, then finds the data chunk. A PCM tag takes
    // fmtSize 16 or 18; an extensible one at least 40 bytes whose sub-format
    // is PCM, and then delivers the samples as a PCM format (tag 1, no extra
    // bytes) of the same layout.
    plat::HRESULT OpenFromFile(std::unique_ptr<CSourceFile> file, plat::DWORD fileLength,
                               plat::DWORD position, plat::DWORD fmtSize,
                               plat::WORD formatTag = plat::WAVE_FORMAT_PCM);

    // File offset of the first PCM byte (0 until located) and bytes returned.
    plat::DWORD GetDataStart() const { return m_dataStart; }
    plat::DWORD GetBytesRead() const { return m_bytesRead; }

private:
    // Reads the fmt payload after the tag into m_format; false with the text set.
    bool ReadFormat(plat::DWORD fmtSize, plat::WORD formatTag);

    plat::DWORD m_dataStart = 0;
    plat::DWORD m_bytesRead = 0;
};
