// The reader the player owns: picks the concrete reader from the name's
// extension (".WAV" PCM or MPEG by format tag, ".MP3" and ".SNF" MPEG) and
// passes every operation on to it.
#pragma once

#include "audio/AudioSource.h"
#include "audio/Mp3FileReader.h"
#include "audio/WaveFileReader.h"

class CAudioFile : public CAudioSource {
public:
    enum Kind { kNone = 0, kWave = 1, kMpeg = 2 };

    const plat::WAVEFORMATEX* GetFormat() const override;
    plat::DWORD GetDataSize() const override;
    plat::DWORD Seek(plat::DWORD offset) override;
    plat::HRESULT Close() override;
    plat::HRESULT Rewind() override;
    plat::HRESULT Open(const std::string& name) override;
    plat::HRESULT Read(plat::DWORD count, void* buffer, plat::DWORD& got) override;

    bool IsOpened() const { return m_opened; }
    int GetKind() const { return m_kind; }

private:
    CAudioSource* Selected();
    plat::HRESULT Forward(plat::HRESULT result, CAudioSource& reader);

    bool m_opened = false;
    int m_kind = kNone;
    CWaveFileReader m_wave;
    CMp3FileReader m_mp3;
};
