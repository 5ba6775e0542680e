// The meter's speech zone against our real test sentence: spoken so that its
// peaks reach the target, its loudest 160 ms buffers, measured as the
// recorder measures them, end in the zone the meter marks.
#include "audio/MeasureLevel.h"
#include "audio/WaveRecorder.h"
#include "pages/MeterScale.h"
#include "platform/virtual/Microphone.h"
#include "platform/virtual/WaveData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<std::int16_t> Sentence() {
    std::size_t size = 0;
    const std::uint8_t* image = plat::VoiceWave(size);
    plat::WaveData wave;
    std::string error;
    EXPECT_TRUE(plat::ParseWave(image, size, wave, error)) << error;
    EXPECT_EQ(wave.format.nSamplesPerSec, CWaveRecorder::RecordFormat().nSamplesPerSec);
    EXPECT_EQ(wave.format.wBitsPerSample, 16);
    EXPECT_EQ(wave.format.nChannels, 1);
    std::vector<std::int16_t> samples(wave.samples.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(wave.samples[2 * i] | wave.samples[2 * i + 1] << 8);
    return samples;
}

// The loudest level and peak of the sentence scaled by gain, cut into the
// recorder's buffers from `offset` on.
struct Loudest {
    int level = 0;
    int peak = 0;
};
Loudest Measure(const std::vector<std::int16_t>& sentence, double gain, std::size_t offset) {
    const plat::WAVEFORMATEX format = CWaveRecorder::RecordFormat();
    const std::size_t n = CWaveRecorder::kBufferSize / 2;
    Loudest loudest;
    std::vector<std::int16_t> buffer(n);
    for (std::size_t start = offset; start + n <= sentence.size(); start += n) {
        for (std::size_t i = 0; i < n; ++i)
            buffer[i] = static_cast<std::int16_t>(std::lround(sentence[start + i] * gain));
        const auto bytes = static_cast<plat::DWORD>(n * 2);
        loudest.level = std::max(loudest.level, MeasureLevel(buffer.data(), bytes, format));
        loudest.peak = std::max(loudest.peak, MeasurePeak(buffer.data(), bytes, format).peak);
    }
    return loudest;
}

TEST(MeterScale, FiguresSitOnTheRecordersLevelScale) {
    EXPECT_EQ(MeterPosOfDbfs(0), 9031);
    EXPECT_EQ(MeterPosOfDbfs(-6), 8431);
    EXPECT_EQ(MeterPosOfDbfs(-120), 0);
    EXPECT_EQ(MeterPosOfPeak(32768), 9031);
    EXPECT_EQ(MeterPosOfPeak(16384), 8429);
    EXPECT_EQ(MeterPosOfPeak(0), 0);
    EXPECT_EQ(MeterPosOfPeak(-1), 0);
    // A full-scale square wave: level and peak meet at the right end.
    std::vector<std::int16_t> square(1764);
    for (std::size_t i = 0; i < square.size(); ++i)
        square[i] = i % 2 ? 32767 : -32767;
    const int level =
        MeasureLevel(square.data(), plat::DWORD(square.size() * 2), CWaveRecorder::RecordFormat());
    EXPECT_EQ(level, 9000);
    EXPECT_LE(MeterPosOfPeak(32767) - level, 100);
}

TEST(MeterScale, TheSentenceSpokenAtTheTargetEndsItsBarInTheZone) {
    const std::vector<std::int16_t> sentence = Sentence();
    ASSERT_FALSE(sentence.empty());
    const int top = std::max(std::abs(*std::max_element(sentence.begin(), sentence.end())),
                             std::abs(*std::min_element(sentence.begin(), sentence.end())));
    const MeterZone zone = SpeechMeterZone();
    ASSERT_LT(zone.low, zone.high);
    for (double target : {kTargetPeakLowDbfs, (kTargetPeakLowDbfs + kTargetPeakHighDbfs) / 2,
                          kTargetPeakHighDbfs}) {
        const double gain = 32768.0 * std::pow(10.0, target / 20) / top;
        // Wherever the recorder's buffers begin in the sentence.
        for (std::size_t offset = 0; offset < 1764; offset += 147) {
            const Loudest loudest = Measure(sentence, gain, offset);
            EXPECT_NEAR(PeakDbfs(loudest.peak), target, 0.1);
            // Within a decibel of the zone's crest either way for where the
            // buffers begin, and a step of 100 lower for the level's
            // truncation.
            EXPECT_GE(loudest.level, zone.low - 200) << target << " dBFS, offset " << offset;
            EXPECT_LE(loudest.level, zone.high + 100) << target << " dBFS, offset " << offset;
        }
    }
    // Ten decibels too quiet or too loud leave the zone.
    const double quiet = 32768.0 * std::pow(10.0, (kTargetPeakLowDbfs - 10) / 20) / top;
    EXPECT_LT(Measure(sentence, quiet, 0).level, zone.low);
    const double loud = 32768.0 * std::pow(10.0, (kTargetPeakHighDbfs + 8) / 20) / top;
    EXPECT_GT(Measure(sentence, std::min(loud, 32767.0 / top), 0).level, zone.high);
}

} // namespace
