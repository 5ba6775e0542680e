// The embedded music: a PCM WAVE the player can read, about ten seconds long,
// whose end flows into its start without a click.
#include "audio/AudioFile.h"
#include "platform/embedded/resources.h"
#include "resources/ProgramResources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace plat;

TEST(MusicTest, EmbeddedWaveLoopsWithoutAClick) {
    RegisterProgramResources();
    ResourceData music;
    ASSERT_TRUE(FindResource("WAVE", 164, music));
    ASSERT_GT(music.size, 44u);

    const auto path = std::filesystem::temp_directory_path() / "pelmora-music-test.wav";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(music.data),
                  static_cast<std::streamsize>(music.size));
    }
    CAudioFile file;
    ASSERT_EQ(file.Open(path.string()), S_OK) << file.GetLastError();
    const WAVEFORMATEX format = *file.GetFormat();
    EXPECT_EQ(format.wBitsPerSample, 16);
    const double seconds = static_cast<double>(file.GetDataSize()) / format.nAvgBytesPerSec;
    EXPECT_GE(seconds, 8.0);
    EXPECT_LE(seconds, 12.0);

    std::vector<std::int16_t> samples(file.GetDataSize() / 2);
    DWORD got = 0;
    ASSERT_EQ(file.Read(file.GetDataSize(), samples.data(), got), S_OK);
    ASSERT_EQ(got, file.GetDataSize());
    file.Close();
    std::filesystem::remove(path);

    // Per channel: the step from the last frame to the first is no larger
    // than the largest step around it (256 frames each side), as anywhere
    // inside the piece; a loop that cuts its notes off jumps there.
    const std::size_t channels = format.nChannels;
    const std::size_t frames = samples.size() / channels;
    constexpr std::size_t kAround = 256;
    ASSERT_GT(frames, 2 * kAround);
    for (std::size_t c = 0; c < channels; ++c) {
        auto at = [&](std::size_t frame) {
            return static_cast<int>(samples[frame * channels + c]);
        };
        int around = 0;
        for (std::size_t f = frames - kAround + 1; f < frames; ++f)
            around = std::max(around, std::abs(at(f) - at(f - 1)));
        for (std::size_t f = 1; f < kAround; ++f)
            around = std::max(around, std::abs(at(f) - at(f - 1)));
        const int seam = std::abs(at(0) - at(frames - 1));
        EXPECT_LE(seam, around) << "channel " << c;

        int peak = 0;
        for (std::size_t f = 0; f < frames; ++f)
            peak = std::max(peak, std::abs(at(f)));
        EXPECT_GT(peak, 8000) << "channel " << c;
        EXPECT_LT(peak, 32767) << "channel " << c; // no clipping
    }
}
