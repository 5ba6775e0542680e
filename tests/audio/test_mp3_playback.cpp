// The player plays MPEG audio files through the MPEG reader, on the virtual
// card with a stepped clock.
#include "audio/Mp3FileReader.h"
#include "audio/WavePlayer.h"
#include "platform/sound_backend.h"
#include "platform/system/message_loop.h"
#include "platform/virtual/VirtualCard.h"
#include "tests/support/MpegReference.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

using namespace plat;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

fs::path DataDir() {
    if (const char* root = std::getenv("PELMORA_SOURCE_DIR"))
        return fs::path(root) / "tests" / "data" / "mpeg";
    return fs::path(__FILE__).parent_path().parent_path() / "data" / "mpeg";
}

Bytes Load(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(Mp3Playback, PlaysTheDecodedSoundToTheEndAndStopsByItself) {
    auto card = std::make_shared<CVirtualCard>(DefaultCardDesc(), CVirtualCard::Clock::Manual);
    InstallSoundBackend(card);
    const fs::path dir = fs::temp_directory_path() / "pelmora_mp3_playback";
    fs::create_directories(dir);
    const fs::path path = dir / "music.MP3";
    fs::copy_file(DataDir() / "tone128.mp3", path, fs::copy_options::overwrite_existing);
    const Bytes reference = Load(DataDir() / "tone128.pcm");

    {
        CWavePlayer player;
        ASSERT_EQ(player.Play(path.string()), 1) << player.GetLastError();
        // The reader announces every frame but the last.
        const DWORD expected = static_cast<DWORD>(reference.size() - 1152 * 2);
        EXPECT_EQ(player.GetDataSize(), expected);
        bool ended = false;
        for (int step = 0; step < 1000 && !ended; ++step) {
            card->AdvanceClock(20);
            DispatchMessages();
            ended = !player.IsDeviceOpen();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(ended);
        EXPECT_EQ(player.GetLastError(), "");
        EXPECT_EQ(player.GetPlayLevel(), -1);

        const WAVEFORMATEX format = card->CapturedFormat(0);
        EXPECT_EQ(format.nSamplesPerSec, 44100u);
        EXPECT_EQ(format.nChannels, 1);
        const Bytes played = card->CapturedOutput(0);
        ASSERT_EQ(played.size(), expected);
        int worst = 0;
        for (std::size_t i = 0; i + 1 < played.size(); i += 2) {
            const int a = static_cast<std::int16_t>(played[i] | (played[i + 1] << 8));
            const int b = static_cast<std::int16_t>(reference[i] | (reference[i + 1] << 8));
            worst = std::max(worst, std::abs(a - b));
        }
        EXPECT_LE(worst, 1 + kMpegCodecExtraSteps);
    }
    card->WaitCallbacks();
    InstallSoundBackend(std::make_shared<CVirtualCard>());
    fs::remove_all(dir);
}

TEST(Mp3Playback, FileWithTagsAtBothEndsPlaysItsFramesToTheEnd) {
    auto card = std::make_shared<CVirtualCard>(DefaultCardDesc(), CVirtualCard::Clock::Manual);
    InstallSoundBackend(card);
    const fs::path dir = fs::temp_directory_path() / "pelmora_mp3_playback_tagged";
    fs::create_directories(dir);
    // ID3v2 in front; APE and ID3v1 at the end.
    const fs::path path = dir / "tagged.mp3";
    fs::copy_file(DataDir() / "short-mp3gain.mp3", path, fs::copy_options::overwrite_existing);

    // What the untagged file decodes to.
    CMp3FileReader plain;
    ASSERT_EQ(plain.Open((DataDir() / "short.mp3").string()), S_OK) << plain.GetLastError();
    Bytes expected(plain.GetDataSize());
    DWORD got = 0;
    ASSERT_EQ(plain.Read(static_cast<DWORD>(expected.size()), expected.data(), got), S_OK);
    ASSERT_EQ(got, expected.size());
    plain.Close();

    {
        CWavePlayer player;
        ASSERT_EQ(player.Play(path.string()), 1) << player.GetLastError();
        EXPECT_EQ(player.GetDataSize(), expected.size());
        bool ended = false;
        for (int step = 0; step < 500 && !ended; ++step) {
            card->AdvanceClock(20);
            DispatchMessages();
            ended = !player.IsDeviceOpen();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(ended);
        EXPECT_EQ(player.GetLastError(), "");
        EXPECT_EQ(card->CapturedOutput(0), expected);
    }
    card->WaitCallbacks();
    InstallSoundBackend(std::make_shared<CVirtualCard>());
    fs::remove_all(dir);
}
