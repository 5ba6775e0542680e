#include "platform/media/mp3_frame.h"

#include "platform/archive/little_endian.h"

using namespace plat;

namespace {

// Bit rates in kbit/s by index 0..14 (0 = free format, unusable here).
constexpr WORD kMpeg1Rates[3][15] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // layer II
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // layer I
};
constexpr WORD kMpeg2Rates[3][15] = {
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},      // layer III
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},      // layer II
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}, // layer I
};
constexpr DWORD kMpeg1SampleRates[3] = {44100, 48000, 32000};
constexpr DWORD kMpeg2SampleRates[3] = {22050, 24000, 16000};

} // namespace

WORD ParseMp3FrameHeader(const unsigned char* p, Mp3FrameInfo& info) {
    info = Mp3FrameInfo{};
    const DWORD h = Le32(p);
    DWORD divisor = 0;
    if ((h & 0xF0FF) == 0xF0FF)
        divisor = 1; // MPEG-1 or MPEG-2
    else if ((h & 0xF8FF) == 0xE0FF)
        divisor = 2; // MPEG-2.5 (the ID bit set there is the reserved version)
    else
        return 0;

    const bool mpeg1 = (h >> 11) & 1;
    const int layer = static_cast<int>((h >> 9) & 3);
    const DWORD rateIndex = (h >> 20) & 15;
    const DWORD srIndex = (h >> 18) & 3;
    if (layer == 0 || rateIndex == 0 || rateIndex == 15 || srIndex == 3)
        return 0;

    const DWORD bitRate =
        1000u * (mpeg1 ? kMpeg1Rates[layer - 1][rateIndex] : kMpeg2Rates[layer - 1][rateIndex]);
    const DWORD sampleRate =
        (mpeg1 ? kMpeg1SampleRates[srIndex] : kMpeg2SampleRates[srIndex]) / divisor;
    const DWORD padding = (h >> 17) & 1;

    DWORD length = 0;
    WORD samples = 0;
    if (layer == 3) {
        samples = 384;
        length = (12 * bitRate / sampleRate + padding) * 4;
    } else if (layer == 1 && !mpeg1) {
        // Layer III at the low sampling frequencies: half the samples, half the bytes.
        samples = 576;
        length = 72 * bitRate / sampleRate + padding;
    } else {
        samples = 1152;
        length = 144 * bitRate / sampleRate + padding;
    }

    info.mpeg1 = mpeg1;
    info.layer = layer;
    info.bitRate = bitRate;
    info.sampleRate = sampleRate;
    info.channelMode = static_cast<int>(h >> 30);
    info.samplesPerFrame = samples;
    info.frameMs = static_cast<float>(static_cast<double>(length) * 8.0 / bitRate * 1000.0);
    return static_cast<WORD>(length);
}

bool SameMp3Stream(const Mp3FrameInfo& a, const Mp3FrameInfo& b) {
    return a.mpeg1 == b.mpeg1 && a.layer == b.layer && a.sampleRate == b.sampleRate &&
           a.channelMode == b.channelMode;
}
