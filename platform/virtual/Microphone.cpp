#include "platform/virtual/Microphone.h"

#include "platform/virtual/WaveData.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace plat {

namespace {

bool ToMono16(const WaveData& wave, std::vector<std::int16_t>& out) {
    const WAVEFORMATEX& f = wave.format;
    const std::size_t frames = wave.samples.size() / f.nBlockAlign;
    out.clear();
    out.reserve(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const std::uint8_t* p = wave.samples.data() + i * f.nBlockAlign;
        long sum = 0;
        for (WORD c = 0; c < f.nChannels; ++c) {
            if (f.wBitsPerSample == 8)
                sum += (long(p[c]) - 128) * 256;
            else
                sum += std::int16_t(p[2 * c] | p[2 * c + 1] << 8);
        }
        out.push_back(std::int16_t(sum / f.nChannels));
    }
    return !out.empty();
}

} // namespace

bool CMicrophone::SetSignal(const MicrophoneSignal& signal, std::string& error) {
    m_signal = signal;
    m_loop.clear();
    WaveData wave;
    bool ok = true;
    if (signal.kind == MicrophoneSignal::Kind::Voice) {
        std::size_t size = 0;
        const std::uint8_t* data = VoiceWave(size);
        ok = ParseWave(data, size, wave, error);
    } else if (signal.kind == MicrophoneSignal::Kind::File) {
        ok = ReadWaveFile(signal.file, wave, error);
    } else {
        return true;
    }
    if (ok && !ToMono16(wave, m_loop)) {
        error = "the WAVE file holds no samples";
        ok = false;
    }
    if (!ok) {
        m_signal.kind = MicrophoneSignal::Kind::Silence;
        return false;
    }
    m_loopRate = wave.format.nSamplesPerSec;
    return true;
}

double CMicrophone::Sample(std::uint64_t frame, DWORD rate) const {
    switch (m_signal.kind) {
    case MicrophoneSignal::Kind::Silence:
        return 0;
    case MicrophoneSignal::Kind::Sine: {
        // Reduce the phase in whole cycles first, so long recordings keep precision.
        const double t = double(frame % rate) / rate + double(frame / rate);
        const double cycles = m_signal.frequency * t;
        return m_signal.amplitude * std::sin(2 * std::numbers::pi * (cycles - std::floor(cycles)));
    }
    case MicrophoneSignal::Kind::Noise: {
        // A hash of the frame number: the same recording every time.
        std::uint64_t x = frame * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
        x ^= x >> 31;
        x *= 0xBF58476D1CE4E5B9ull;
        x ^= x >> 29;
        const double unit = double(x >> 11) / double(1ull << 53); // 0..1
        return m_signal.amplitude * (2 * unit - 1);
    }
    case MicrophoneSignal::Kind::Voice:
    case MicrophoneSignal::Kind::File: {
        if (m_loop.empty())
            return 0;
        const std::uint64_t index = frame * m_loopRate / rate;
        return m_loop[index % m_loop.size()];
    }
    }
    return 0;
}

void CMicrophone::Fill(const WAVEFORMATEX& format, std::uint64_t start, std::uint8_t* out,
                       std::size_t frames, double gain) const {
    const WORD channels = format.nChannels;
    const bool sixteen = format.wBitsPerSample == 16;
    for (std::size_t i = 0; i < frames; ++i) {
        const double v =
            std::clamp(Sample(start + i, format.nSamplesPerSec) * gain, -32768.0, 32767.0);
        const auto s = std::int16_t(std::lround(v));
        for (WORD c = 0; c < channels; ++c) {
            if (sixteen) {
                *out++ = std::uint8_t(s & 0xFF);
                *out++ = std::uint8_t((s >> 8) & 0xFF);
            } else {
                *out++ = std::uint8_t((s >> 8) + 128);
            }
        }
    }
}

} // namespace plat
