// One open wave-in device on a PCM channel. While started, a thread of its
// own reads period by period into the queued buffers and hands each back
// full (WHDR_DONE, WIM_DATA) in queue order; sound that finds no buffer is
// dropped. Stop hands back the buffer being filled; Reset every buffer. A
// channel that fails stops the device and hands back every buffer with what
// it holds; adding a buffer or starting then answers the failure.
#pragma once

#include "platform/device/PcmWaveDevice.h"

#include <cstdint>
#include <vector>

namespace plat {

class CPcmWaveIn : public CPcmWaveDevice<CPcmWaveIn, HWAVEIN> {
public:
    ~CPcmWaveIn();

    MMRESULT AddBuffer(WAVEHDR* header);
    MMRESULT Start();
    MMRESULT Stop();
    MMRESULT Reset();
    MMRESULT Close();

private:
    friend CPcmWaveDevice;

    CPcmWaveIn(std::unique_ptr<CPcmChannel> channel, const WAVEFORMATEX& format,
               WAVEINPROC callback, DWORD_PTR instance);
    void Run();
    void ReadChunk(std::unique_lock<std::mutex>& lock);

    std::vector<char> m_scratch; // where sound without a buffer goes
    bool m_started = false;
    std::uint64_t m_stopAsked = 0, m_stopDone = 0;
    std::uint64_t m_resetAsked = 0, m_resetDone = 0;
};

} // namespace plat
