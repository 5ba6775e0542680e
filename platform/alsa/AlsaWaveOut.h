// One open wave-out device on ALSA PCM. A thread of its own writes the queued
// buffers period by period and hands each back (WHDR_DONE, WOM_DONE) once the
// device has played it, in queue order; Reset hands back every buffer.
#pragma once

#include "platform/alsa/AlsaWaveDevice.h"

#include <cstdint>

namespace plat {

class CAlsaWaveOut : public CAlsaWaveDevice<CAlsaWaveOut, HWAVEOUT> {
public:
    ~CAlsaWaveOut();

    MMRESULT Write(WAVEHDR* header);
    MMRESULT Pause();
    MMRESULT Restart();
    MMRESULT Reset();
    // WAVERR_STILLPLAYING while buffers are queued; else ends the thread
    // after WOM_CLOSE.
    MMRESULT Close();

private:
    friend CAlsaWaveDevice;
    static constexpr snd_pcm_stream_t kStream = SND_PCM_STREAM_PLAYBACK;

    struct Played {
        WAVEHDR* header;
        std::uint64_t endFrame;
    };

    CAlsaWaveOut(snd_pcm_t* pcm, snd_pcm_uframes_t period, const WAVEFORMATEX& format,
                 WAVEOUTPROC callback, DWORD_PTR instance);
    void Run();
    void DeliverPlayed(std::unique_lock<std::mutex>& lock);
    void WriteChunk(std::unique_lock<std::mutex>& lock);

    std::deque<Played> m_playing; // written, not yet played
    std::uint64_t m_resetAsked = 0;
    std::uint64_t m_resetDone = 0;
    bool m_paused = false;

    // Device-thread only.
    std::uint64_t m_written = 0;
    bool m_pcmPaused = false;
};

} // namespace plat
