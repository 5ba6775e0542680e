// A small RIFF/WAVE reader and writer for the platform layer (PlaySound, the
// virtual card's microphone and its recording of what it played). Only PCM.
#pragma once

#include "platform/mmsystem.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

struct WaveData {
    WAVEFORMATEX format{};
    std::vector<std::uint8_t> samples; // the data chunk
};

// Reads a PCM WAVE image. Chunk lengths are never trusted beyond the bytes
// given: a data chunk that claims more is cut to what is there, any other
// chunk that runs past the end makes the image invalid.
bool ParseWave(const std::uint8_t* data, std::size_t size, WaveData& out, std::string& error);
bool ReadWaveFile(const std::string& path, WaveData& out, std::string& error);

// The 44-byte-header WAVE image of PCM samples.
std::vector<std::uint8_t> BuildWave(const WAVEFORMATEX& format, const std::uint8_t* samples,
                                    std::size_t size);
bool WriteWaveFile(const std::string& path, const WAVEFORMATEX& format,
                   const std::vector<std::uint8_t>& samples, std::string& error);

// A consistent PCM WAVEFORMATEX.
WAVEFORMATEX MakePcmFormat(DWORD rate, WORD bits, WORD channels);

} // namespace plat
