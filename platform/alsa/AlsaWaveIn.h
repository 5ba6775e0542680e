// One open wave-in device on ALSA PCM. While started, a thread of its own
// reads period by period into the queued buffers and hands each back full
// (WHDR_DONE, WIM_DATA) in queue order; sound that finds no buffer is
// dropped. Stop hands back the buffer being filled; Reset every buffer.
#pragma once

#include "platform/alsa/AlsaWaveDevice.h"

#include <cstdint>
#include <vector>

namespace plat {

class CAlsaWaveIn : public CAlsaWaveDevice<CAlsaWaveIn, HWAVEIN> {
public:
    ~CAlsaWaveIn();

    MMRESULT AddBuffer(WAVEHDR* header);
    MMRESULT Start();
    MMRESULT Stop();
    MMRESULT Reset();
    MMRESULT Close();

private:
    friend CAlsaWaveDevice;
    static constexpr snd_pcm_stream_t kStream = SND_PCM_STREAM_CAPTURE;

    CAlsaWaveIn(snd_pcm_t* pcm, snd_pcm_uframes_t period, const WAVEFORMATEX& format,
                WAVEINPROC callback, DWORD_PTR instance);
    void Run();
    void ReadChunk(std::unique_lock<std::mutex>& lock);

    std::vector<char> m_scratch; // where sound without a buffer goes
    bool m_started = false;
    std::uint64_t m_stopAsked = 0, m_stopDone = 0;
    std::uint64_t m_resetAsked = 0, m_resetDone = 0;
};

} // namespace plat
