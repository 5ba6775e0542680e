// The system's MPEG layer-3 codec through the compression manager (msacm32),
// as plain functions for win32/mpeg_decoder.cpp, which sees our own
// declarations and so not <windows.h>. A codec is one conversion stream to
// 16-bit PCM with one stream header of its own, prepared once over buffers
// of its own: a conversion copies at most `chunk` source bytes in and leaves
// the PCM in the codec's buffer until the next one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat::win32 {

// The fields of MPEGLAYER3WAVEFORMAT.
struct AcmMpegFormat {
    std::uint16_t channels;
    std::uint32_t sampleRate;
    std::uint32_t averageBytesPerSecond;
    std::uint16_t id;
    std::uint32_t flags;
    std::uint16_t blockSize;
    std::uint16_t framesPerBlock;
    std::uint16_t codecDelay;
};

struct AcmCodec;

// Null with `result` (an MMRESULT) set when the system cannot make it.
AcmCodec* OpenAcmCodec(const AcmMpegFormat& format, std::size_t chunk, unsigned& result);
// Only checks that the system has a codec for the conversion.
unsigned QueryAcmCodec(const AcmMpegFormat& format);
void CloseAcmCodec(AcmCodec* codec);

// One acmStreamConvert of `count` (at most `chunk`) bytes; `start` passes
// ACM_STREAMCONVERTF_START. `used` is what the codec took, `pcm` and
// `produced` what it gave.
unsigned ConvertAcmCodec(AcmCodec* codec, const unsigned char* source, std::size_t count,
                         bool start, std::size_t& used, const unsigned char*& pcm,
                         std::size_t& produced);

} // namespace plat::win32
