#include "audio/WaveHeader.h"

#include "platform/archive/little_endian.h"

using namespace plat;

namespace {
void PutCode(std::uint8_t* p, const char* code) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(code[i]);
}
} // namespace

std::array<std::uint8_t, kWaveHeaderSize> BuildWaveHeader(DWORD dataLength,
                                                          const WAVEFORMATEX& format) {
    std::array<std::uint8_t, kWaveHeaderSize> h{};
    PutCode(&h[0], "RIFF");
    PutLe32(&h[4], dataLength + 36);
    PutCode(&h[8], "WAVE");
    PutCode(&h[12], "fmt ");
    PutLe32(&h[16], 16);
    PutLe16(&h[20], format.wFormatTag);
    PutLe16(&h[22], format.nChannels);
    PutLe32(&h[24], format.nSamplesPerSec);
    PutLe32(&h[28], format.nAvgBytesPerSec);
    PutLe16(&h[32], format.nBlockAlign);
    PutLe16(&h[34], format.wBitsPerSample);
    PutCode(&h[36], "data");
    PutLe32(&h[40], dataLength);
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
