// The 44-byte RIFF/WAVE PCM header written in front of a recording.
#pragma once

#include "platform/mmsystem.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <ostream>

constexpr std::size_t kWaveHeaderSize = 44;

// The header bytes, little-endian: "RIFF", dataLength + 36, "WAVE", "fmt ",
// 16, tag, channels, rate, bytes per second, block alignment, bits, "data",
// dataLength.
std::array<std::uint8_t, kWaveHeaderSize> BuildWaveHeader(plat::DWORD dataLength,
                                                          const plat::WAVEFORMATEX& format);

// Writes the header in one piece at the file's current position. True only
// when all 44 bytes were written and dataLength is not 0 (a header announcing
// no data counts as a failure, though it is still written).
bool WriteWaveHeader(std::FILE* file, plat::DWORD dataLength, const plat::WAVEFORMATEX& format);
bool WriteWaveHeader(std::ostream& file, plat::DWORD dataLength, const plat::WAVEFORMATEX& format);
