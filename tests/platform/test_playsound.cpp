// PlaySound on the virtual card: files and resources, asynchronous and
// looping play, stopping with a null name, and what cannot be played.
#include "platform/embedded/resources.h"
#include "platform/mmsystem.h"
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"
#include "platform/virtual/WaveData.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace plat;

namespace {

// The threads this process runs (0 where the system does not list them, as
// Windows, whose /proc under Wine is the host's):
// a sound stopped leaves none of its own behind.
std::size_t ThreadCount() {
    std::size_t count = 0;
#if defined(__linux__)
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/task", error), end; !error && it != end;
         it.increment(error))
        ++count;
#endif
    return count;
}

// Registered resources must live as long as the process.
void Register(unsigned id, const std::vector<std::uint8_t>& bytes) {
    static std::deque<std::vector<std::uint8_t>> kept;
    kept.push_back(bytes);
    RegisterResource("WAVE", id, kept.back().data(), kept.back().size());
}

class PlaySoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        card = std::make_shared<CVirtualCard>(DefaultCardDesc(), CVirtualCard::Clock::Manual);
        InstallSoundBackend(card);
        dir = FreshTestDir("pelmora-playsound");
        // 250 ms of 8 kHz 8-bit mono, every byte telling its position.
        for (std::size_t i = 0; i < 2000; ++i)
            samples.push_back(std::uint8_t(i * 7));
        wave = BuildWave(MakePcmFormat(8000, 8, 1), samples.data(), samples.size());
        file = (dir / "sound.wav").string();
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(wave.data()), std::streamsize(wave.size()));
    }
    void TearDown() override {
        PlaySound(nullptr, nullptr, 0);
        InstallSoundBackend(nullptr);
        std::filesystem::remove_all(dir);
    }

    // Steps the card's clock until it has played `bytes`, or a second of
    // device time has passed without it.
    std::vector<std::uint8_t> PlayUntil(std::size_t bytes) {
        for (int i = 0; i < 400 && card->CapturedOutput(0).size() < bytes; ++i) {
            card->AdvanceClock(10);
            std::this_thread::sleep_for(std::chrono::milliseconds(1)); // let the feeder refill
        }
        return card->CapturedOutput(0);
    }

    std::shared_ptr<CVirtualCard> card;
    std::filesystem::path dir;
    std::vector<std::uint8_t> samples;
    std::vector<std::uint8_t> wave;
    std::string file;
};

TEST_F(PlaySoundTest, PlaysAFileOnceAndClosesTheDevice) {
    ASSERT_TRUE(PlaySound(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    const std::vector<std::uint8_t> played = PlayUntil(samples.size());
    EXPECT_EQ(played, samples);
    for (int i = 0; i < 200 && card->OpenWaveHandles() != 0; ++i) {
        card->AdvanceClock(10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(card->OpenWaveHandles(), 0u); // the player closed the device by itself
}

TEST_F(PlaySoundTest, LoopsAResourceUntilANullNameStopsIt) {
    Register(901, wave);
    ASSERT_TRUE(PlaySound(MAKEINTRESOURCE(901), nullptr, SND_RESOURCE | SND_ASYNC | SND_LOOP));
    const std::size_t threads = ThreadCount(); // with the card's and the player's
    const std::vector<std::uint8_t> played = PlayUntil(samples.size() * 2 + 500);
    ASSERT_GE(played.size(), samples.size() * 2 + 500);
    for (std::size_t i = 0; i < played.size(); ++i)
        ASSERT_EQ(played[i], samples[i % samples.size()]) << i;
    EXPECT_EQ(card->OpenWaveHandles(), 1u);
    // SND_NOSTOP does not interrupt a sound that is playing.
    EXPECT_FALSE(PlaySound(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NOSTOP));
    EXPECT_GT(PlayUntil(played.size() + 100).size(), played.size());

    ASSERT_TRUE(PlaySound(nullptr, nullptr, 0));
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
    if (threads > 0) {
        EXPECT_EQ(ThreadCount(), threads - 1) << "the player's thread was not joined";
    }
    const std::size_t stopped = card->CapturedOutput(0).size();
    card->AdvanceClock(500);
    EXPECT_EQ(card->CapturedOutput(0).size(), stopped);

    // The resource can also be named "#901"; a new sound replaces the old.
    ASSERT_TRUE(PlaySound("#901", nullptr, SND_RESOURCE | SND_ASYNC | SND_LOOP));
    ASSERT_TRUE(PlaySound(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    EXPECT_EQ(card->OpenWaveHandles(), 1u);
}

TEST_F(PlaySoundTest, WhatCannotBePlayedIsRefused) {
    EXPECT_FALSE(
        PlaySound((dir / "absent.wav").string().c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    EXPECT_FALSE(PlaySound(MAKEINTRESOURCE(902), nullptr, SND_RESOURCE | SND_ASYNC));
    EXPECT_FALSE(PlaySound("#abc", nullptr, SND_RESOURCE | SND_ASYNC));

    // A data chunk claiming more than the file holds plays what is there.
    std::vector<std::uint8_t> cut(wave.begin(), wave.end() - 1000);
    const std::string cutFile = (dir / "cut.wav").string();
    std::ofstream(cutFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(cut.data()), std::streamsize(cut.size()));
    ASSERT_TRUE(PlaySound(cutFile.c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    EXPECT_EQ(PlayUntil(1000).size(), 1000u);

    // A format chunk running past the end is not a sound.
    std::vector<std::uint8_t> broken(wave.begin(), wave.begin() + 30);
    const std::string brokenFile = (dir / "broken.wav").string();
    std::ofstream(brokenFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(broken.data()), std::streamsize(broken.size()));
    EXPECT_FALSE(PlaySound(brokenFile.c_str(), nullptr, SND_FILENAME | SND_ASYNC));

    card->FailCall("waveOutOpen", MMSYSERR_ALLOCATED, 1);
    EXPECT_FALSE(PlaySound(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
}

TEST(PlaySoundRealTime, SynchronousPlayReturnsWhenTheSoundIsOver) {
    auto card = std::make_shared<CVirtualCard>();
    InstallSoundBackend(card);
    std::vector<std::uint8_t> samples(800, 0x80); // 100 ms
    const std::vector<std::uint8_t> wave =
        BuildWave(MakePcmFormat(8000, 8, 1), samples.data(), samples.size());
    Register(903, wave);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PlaySound(MAKEINTRESOURCE(903), nullptr, SND_RESOURCE | SND_SYNC));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
    EXPECT_EQ(card->CapturedOutput(0).size(), samples.size());
    PlaySound(nullptr, nullptr, 0);
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
    InstallSoundBackend(nullptr);
}

} // namespace
