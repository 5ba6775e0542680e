// The level measure shared by player and recorder, and the recording header.
#include "WaveBuilder.h"
#include "audio/MeasureLevel.h"
#include "audio/WaveFileReader.h"
#include "audio/WaveHeader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace plat;

namespace {

WAVEFORMATEX Pcm(WORD channels, WORD bits, DWORD rate = 11025) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

int Level16(const std::vector<std::int16_t>& samples, WORD channels) {
    return MeasureLevel(samples.data(), static_cast<DWORD>(samples.size() * 2), Pcm(channels, 16));
}

TEST(MeasureLevelTest, SilenceSquareAndSine) {
    EXPECT_EQ(Level16(std::vector<std::int16_t>(441, 0), 1), 0);

    std::vector<std::int16_t> square(442);
    for (std::size_t i = 0; i < square.size(); ++i)
        square[i] = (i / 20) % 2 ? -32767 : 32767;
    EXPECT_EQ(Level16(square, 1), 9000);

    // Amplitude 1000: mean square 500000, 56.99 dB -> 5600.
    std::vector<std::int16_t> sine(441 * 4);
    for (std::size_t i = 0; i < sine.size(); ++i)
        sine[i] =
            static_cast<std::int16_t>(std::lround(1000 * std::sin(2 * M_PI * 441 * i / 11025.0)));
    EXPECT_EQ(Level16(sine, 1), 5600);

    // A tiny signal stays at 0 (mean square below 1), never negative.
    EXPECT_EQ(Level16({1, -1, 0, 0}, 1), 0);
    EXPECT_EQ(MeasureLevel(nullptr, 0, Pcm(1, 16)), 0);
}

TEST(MeasureLevelTest, StereoFramesAreAveragedOverAllSamples) {
    // Both channels at +-20000: each frame sums to +-20000 (20000/2 twice);
    // N counts every sample, so the mean square over 2 frames is
    // 2 * 20000^2 / 4 = 2e8 -> 83 dB.
    EXPECT_EQ(Level16({20000, 20000, -20000, -20000}, 2), 8300);
    // Opposite channels cancel.
    EXPECT_EQ(Level16({20000, -20000, -20000, 20000}, 2), 0);
}

TEST(MeasureLevelTest, EightBitIsCentredOn128) {
    const std::vector<std::uint8_t> silence(400, 128);
    EXPECT_EQ(MeasureLevel(silence.data(), 400, Pcm(1, 8)), 0);
    std::vector<std::uint8_t> loud(400);
    for (std::size_t i = 0; i < loud.size(); ++i)
        loud[i] = i % 2 ? 0 : 255;
    // +32512 and -32768: about 90 dB.
    EXPECT_EQ(MeasureLevel(loud.data(), 400, Pcm(1, 8)), 9000);
    // Other sample sizes measure nothing.
    EXPECT_EQ(MeasureLevel(loud.data(), 400, Pcm(1, 24)), 0);
}

TEST(MeasurePeakTest, PeakIsTheLargestSampleAndClippingNeedsThreeFullScaleInARow) {
    auto peak16 = [](const std::vector<std::int16_t>& samples, WORD channels) {
        return MeasurePeak(samples.data(), static_cast<DWORD>(samples.size() * 2),
                           Pcm(channels, 16));
    };
    EXPECT_EQ(peak16(std::vector<std::int16_t>(100, 0), 1).peak, 0);
    EXPECT_EQ(peak16({3, -1200, 800, 0}, 1).peak, 1200);
    EXPECT_EQ(peak16({0, -32768, 5}, 1).peak, 32768);

    // Two full-scale samples are a loud wave's top; three in a row are flat.
    EXPECT_FALSE(peak16({32767, 32767, 100, -32768, -32768, 0}, 1).clipped);
    EXPECT_TRUE(peak16({0, 32767, 32767, 32767, 0}, 1).clipped);
    EXPECT_TRUE(peak16({-32768, -32768, -32768}, 1).clipped);
    // In stereo the run is counted per channel: L full three frames running.
    EXPECT_TRUE(peak16({32767, 0, 32767, 5, 32767, -5}, 2).clipped);
    EXPECT_FALSE(peak16({32767, 32767, 0, 0, 32767, 32767}, 2).clipped);

    const std::vector<std::uint8_t> flat{128, 255, 255, 255, 128};
    const BufferPeak eight = MeasurePeak(flat.data(), 5, Pcm(1, 8));
    EXPECT_EQ(eight.peak, 127 * 256);
    EXPECT_TRUE(eight.clipped);
    EXPECT_EQ(MeasurePeak(flat.data(), 5, Pcm(1, 24)).peak, 0) << "other sizes measure nothing";

    EXPECT_DOUBLE_EQ(PeakDbfs(32768), 0.0);
    EXPECT_NEAR(PeakDbfs(16384), -6.02, 0.01);
    EXPECT_LT(PeakDbfs(0), -96.0);
}

TEST(WaveHeaderTest, FortyFourBytesThatTheReaderReadsBack) {
    const WAVEFORMATEX format = Pcm(1, 16, 11025);
    const auto h = BuildWaveHeader(1000, format);
    const std::string text(h.begin(), h.end());
    EXPECT_EQ(text.substr(0, 4), "RIFF");
    EXPECT_EQ(h[4] | (h[5] << 8), 1036);
    EXPECT_EQ(text.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(h[16], 16);
    EXPECT_EQ(h[20], 1);
    EXPECT_EQ(h[22], 1);
    EXPECT_EQ(h[24] | (h[25] << 8), 11025);
    EXPECT_EQ(h[28] | (h[29] << 8), 22050);
    EXPECT_EQ(h[32], 2);
    EXPECT_EQ(h[34], 16);
    EXPECT_EQ(text.substr(36, 4), "data");
    EXPECT_EQ(h[40] | (h[41] << 8), 1000);

    TempDir dir;
    const std::string path = dir.File("User.wav");
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(WriteWaveHeader(out, 1000, format));
    const std::vector<std::uint8_t> data(1000, 0);
    std::fwrite(data.data(), 1, data.size(), out);
    std::fclose(out);

    CWaveFileReader reader;
    ASSERT_EQ(reader.Open(path), S_OK) << reader.GetLastError();
    EXPECT_EQ(reader.GetDataSize(), 1000u);
    EXPECT_EQ(reader.GetFormat()->nAvgBytesPerSec, 22050u);
}

TEST(WaveHeaderTest, ZeroDataLengthOrFailedWriteIsAFailure) {
    const WAVEFORMATEX format = Pcm(1, 16);
    std::ostringstream stream;
    EXPECT_FALSE(WriteWaveHeader(stream, 0, format));
    EXPECT_EQ(stream.str().size(), kWaveHeaderSize);
    std::ostringstream good;
    EXPECT_TRUE(WriteWaveHeader(good, 2, format));
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    EXPECT_FALSE(WriteWaveHeader(broken, 2, format));
    EXPECT_FALSE(WriteWaveHeader(static_cast<std::FILE*>(nullptr), 2, format));
}

} // namespace
