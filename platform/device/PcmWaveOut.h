// One open wave-out device on a PCM channel. A thread of its own writes the
// queued buffers period by period and hands each back (WHDR_DONE, WOM_DONE)
// once the device has played it, in queue order; Reset hands back every
// buffer. A channel that fails hands back every buffer at once; writing then
// answers the failure.
#pragma once

#include "platform/device/PcmWaveDevice.h"

#include <cstdint>

namespace plat {

class CPcmWaveOut : public CPcmWaveDevice<CPcmWaveOut, HWAVEOUT> {
public:
    ~CPcmWaveOut();

    MMRESULT Write(WAVEHDR* header);
    MMRESULT Pause();
    MMRESULT Restart();
    MMRESULT Reset();
    // WAVERR_STILLPLAYING while buffers are queued; else ends the thread
    // after WOM_CLOSE.
    MMRESULT Close();

private:
    friend CPcmWaveDevice;

    struct Played {
        WAVEHDR* header;
        std::uint64_t endFrame;
    };

    CPcmWaveOut(std::unique_ptr<CPcmChannel> channel, const WAVEFORMATEX& format,
                WAVEOUTPROC callback, DWORD_PTR instance);
    void Run();
    void DeliverPlayed(std::unique_lock<std::mutex>& lock);
    void WriteChunk(std::unique_lock<std::mutex>& lock);
    // The channel failed: every buffer goes back.
    void Failed(std::unique_lock<std::mutex>& lock);
    // Every buffer played or queued, in order, taken off the queues (lock held).
    std::deque<WAVEHDR*> TakeAll();

    std::deque<Played> m_playing; // written, not yet played
    std::uint64_t m_resetAsked = 0;
    std::uint64_t m_resetDone = 0;
    bool m_paused = false;

    // Device-thread only.
    std::uint64_t m_written = 0;
    bool m_channelPaused = false;
};

} // namespace plat
