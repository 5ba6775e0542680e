#include "platform/virtual/WaveData.h"

#include "platform/archive/little_endian.h"
#include "platform/files/file_writer.h"
#include "platform/files/paths.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace plat {

namespace {

void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(std::uint8_t(x >> (8 * i)));
}
void Put16(std::vector<std::uint8_t>& v, std::uint16_t x) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
// A chunk code or form type: its four characters.
void PutCode(std::vector<std::uint8_t>& v, const char (&code)[5]) {
    for (int i = 0; i < 4; ++i)
        v.push_back(std::uint8_t(code[i]));
}

} // namespace

WAVEFORMATEX MakePcmFormat(DWORD rate, WORD bits, WORD channels) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = WORD(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    f.cbSize = 0;
    return f;
}

bool ParseWave(const std::uint8_t* data, std::size_t size, WaveData& out, std::string& error) {
    if (data == nullptr || size < 12 || std::memcmp(data, "RIFF", 4) != 0 ||
        std::memcmp(data + 8, "WAVE", 4) != 0) {
        error = "not a RIFF/WAVE file";
        return false;
    }
    bool haveFormat = false;
    std::size_t pos = 12;
    while (pos + 8 <= size) {
        const std::uint8_t* id = data + pos;
        const std::size_t length = Le32(data + pos + 4);
        pos += 8;
        const std::size_t left = size - pos;
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (length < PCMWAVEFORMAT_FILE_SIZE || length > left) {
                error = "the format chunk is damaged";
                return false;
            }
            const std::uint8_t* f = data + pos;
            out.format.wFormatTag = Le16(f);
            out.format.nChannels = Le16(f + 2);
            out.format.nSamplesPerSec = Le32(f + 4);
            out.format.nAvgBytesPerSec = Le32(f + 8);
            out.format.nBlockAlign = Le16(f + 12);
            out.format.wBitsPerSample = Le16(f + 14);
            out.format.cbSize = 0;
            const WAVEFORMATEX& w = out.format;
            if (w.wFormatTag != WAVE_FORMAT_PCM) {
                error = "the WAVE data is not PCM";
                return false;
            }
            if ((w.wBitsPerSample != 8 && w.wBitsPerSample != 16) || w.nChannels == 0 ||
                w.nChannels > 8 || w.nSamplesPerSec == 0 ||
                w.nBlockAlign != w.nChannels * w.wBitsPerSample / 8) {
                error = "unsupported PCM layout";
                return false;
            }
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (!haveFormat) {
                error = "the data chunk comes before the format chunk";
                return false;
            }
            const std::size_t n = std::min(length, left);
            const std::size_t whole = n - n % out.format.nBlockAlign;
            out.samples.assign(data + pos, data + pos + whole);
            return true;
        } else if (length > left) {
            error = "a chunk runs past the end of the file";
            return false;
        }
        pos += length + (length & 1);
    }
    error = haveFormat ? "no data chunk" : "no format chunk";
    return false;
}

bool ReadWaveFile(const std::string& path, WaveData& out, std::string& error) {
    std::ifstream in(NativePath(path), std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    if (!ParseWave(bytes.data(), bytes.size(), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::vector<std::uint8_t> BuildWave(const WAVEFORMATEX& format, const std::uint8_t* samples,
                                    std::size_t size) {
    std::vector<std::uint8_t> v;
    v.reserve(44 + size);
    PutCode(v, "RIFF");
    Put32(v, std::uint32_t(36 + size));
    PutCode(v, "WAVE");
    PutCode(v, "fmt ");
    Put32(v, 16);
    Put16(v, format.wFormatTag);
    Put16(v, format.nChannels);
    Put32(v, format.nSamplesPerSec);
    Put32(v, format.nAvgBytesPerSec);
    Put16(v, format.nBlockAlign);
    Put16(v, format.wBitsPerSample);
    PutCode(v, "data");
    Put32(v, std::uint32_t(size));
    if (size > 0)
        v.insert(v.end(), samples, samples + size);
    return v;
}

bool WriteWaveFile(const std::string& path, const WAVEFORMATEX& format,
                   const std::vector<std::uint8_t>& samples, std::string& error) {
    const std::vector<std::uint8_t> image = BuildWave(format, samples.data(), samples.size());
    return SaveFileContents(
        path, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()), &error);
}

} // namespace plat
