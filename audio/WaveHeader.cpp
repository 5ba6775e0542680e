#include "audio/WaveHeader.h"

using namespace plat;

namespace {
void Put16(std::uint8_t* p, WORD v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, DWORD v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutCode(std::uint8_t* p, const char* code) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(code[i]);
}
} // namespace

std::array<std::uint8_t, kWaveHeaderSize> BuildWaveHeader(DWORD dataLength,
                                                          const WAVEFORMATEX& format) {
    std::array<std::uint8_t, kWaveHeaderSize> h{};
    PutCode(&h[0], "RIFF");
    Put32(&h[4], dataLength + 36);
    PutCode(&h[8], "WAVE");
    PutCode(&h[12], "fmt ");
    Put32(&h[16], 16);
    Put16(&h[20], format.wFormatTag);
    Put16(&h[22], format.nChannels);
    Put32(&h[24], format.nSamplesPerSec);
    Put32(&h[28], format.nAvgBytesPerSec);
    Put16(&h[32], format.nBlockAlign);
    Put16(&h[34], format.wBitsPerSample);
    PutCode(&h[36], "data");
    Put32(&h[40], dataLength);
    return h;
}

bool WriteWaveHeader(std::FILE* file, DWORD dataLength, const WAVEFORMATEX& format) {
    if (!file)
        return false;
    const auto header = BuildWaveHeader(dataLength, format);
    const bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    return written && dataLength != 0;
}

bool WriteWaveHeader(std::ostream& file, DWORD dataLength, const WAVEFORMATEX& format) {
    const auto header = BuildWaveHeader(dataLength, format);
    file.write(reinterpret_cast<const char*>(header.data()),
               static_cast<std::streamsize>(header.size()));
    return file.good() && dataLength != 0;
}
