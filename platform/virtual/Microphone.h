// The virtual card's microphone: silence, a sine, noise, a WAVE file in a loop
// or, by default, our spoken test sentence. It writes samples in whatever PCM
// format a wave-in device was opened with; the stream position (in frames)
// keeps a tone continuous across buffers.
#pragma once

#include "platform/virtual/CardModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

class CMicrophone {
public:
    // A WAVE file that cannot be read leaves the microphone silent, with the
    // reason in `error`.
    bool SetSignal(const MicrophoneSignal& signal, std::string& error);
    const MicrophoneSignal& Signal() const { return m_signal; }

    // Writes `frames` frames starting at stream frame `start` into `out`, in
    // `format`, scaled by `gain` (0..1) and clipped to the sample range.
    void Fill(const WAVEFORMATEX& format, std::uint64_t start, std::uint8_t* out,
              std::size_t frames, double gain) const;

private:
    double Sample(std::uint64_t frame, DWORD rate) const;

    MicrophoneSignal m_signal;
    std::vector<std::int16_t> m_loop; // mono samples of the voice or file
    DWORD m_loopRate = 11025;
};

// The embedded test sentence, a 16-bit mono WAVE image.
const std::uint8_t* VoiceWave(std::size_t& size);

} // namespace plat
