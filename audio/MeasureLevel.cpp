#include "audio/MeasureLevel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace plat;

int MeasureLevel(const void* data, DWORD length, const WAVEFORMATEX& format) {
    const unsigned channels = format.nChannels ? format.nChannels : 1;
    double sum = 0.0;
    if (data && length > 0 && format.wBitsPerSample == 16) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        const DWORD samples = length / 2;
        const double n = samples;
        const DWORD frames = samples / channels;
        for (DWORD f = 0; f < frames; ++f) {
            std::int16_t value = 0; // the frame's sum wraps as a 16-bit value
            for (unsigned c = 0; c < channels; ++c) {
                const std::uint8_t* p = bytes + 2 * (static_cast<std::size_t>(f) * channels + c);
                const auto sample = static_cast<std::int16_t>(p[0] | (p[1] << 8));
                value = static_cast<std::int16_t>(value + sample / static_cast<int>(channels));
            }
            sum += static_cast<double>(value) * value / n;
        }
    } else if (data && length > 0 && format.wBitsPerSample == 8) {
        const auto* bytes = static_cast<const std::int8_t*>(data);
        const double n = length;
        const DWORD frames = length / channels;
        for (DWORD f = 0; f < frames; ++f) {
            std::int16_t v = 0;
            for (unsigned c = 0; c < channels; ++c)
                v = static_cast<std::int16_t>(v +
                                              bytes[static_cast<std::size_t>(f) * channels + c] /
                                                  static_cast<int>(channels));
            // Unsigned 8-bit PCM centred on 128 comes out as 16-bit centred on 0.
            const auto value = static_cast<std::int16_t>((v - 128) * 256);
            sum += static_cast<double>(value) * value / n;
        }
    }
    if (sum < 1.0)
        sum = 1.0;
    return static_cast<int>(std::trunc(10.0 * std::log10(sum))) * 100;
}

BufferPeak MeasurePeak(const void* data, DWORD length, const WAVEFORMATEX& format) {
    BufferPeak out;
    const unsigned channels = format.nChannels ? format.nChannels : 1;
    const unsigned bytes = format.wBitsPerSample == 16 ? 2 : format.wBitsPerSample == 8 ? 1 : 0;
    if (!data || bytes == 0)
        return out;
    const auto* p = static_cast<const std::uint8_t*>(data);
    const std::size_t samples = length / bytes;
    constexpr unsigned kClipRun = 3;
    unsigned runs[8] = {}; // full-scale samples in a row, per channel
    for (std::size_t i = 0; i < samples; ++i) {
        int value = 0;
        bool full = false;
        if (bytes == 2) {
            value = static_cast<std::int16_t>(p[2 * i] | (p[2 * i + 1] << 8));
            full = value == 32767 || value == -32768;
        } else {
            value = (p[i] - 128) * 256;
            full = p[i] == 0 || p[i] == 255;
        }
        out.peak = std::max(out.peak, std::abs(value));
        unsigned& run = runs[(i % channels) % 8];
        run = full ? run + 1 : 0;
        if (run >= kClipRun)
            out.clipped = true;
    }
    return out;
}

double PeakDbfs(int peak) {
    return peak <= 0 ? -120.0 : 20.0 * std::log10(peak / 32768.0);
}
