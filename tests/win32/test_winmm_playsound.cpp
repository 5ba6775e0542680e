// PlaySound with the winmm backend: the system plays the program's WAVE
// resources, from memory when they are registered resources and not in the
// module; with the virtual card it plays over the card as on Linux.
#include "platform/embedded/resources.h"
#include "platform/mmsystem.h"
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"
#include "platform/virtual/WaveData.h"
#include "platform/win32/winmm_backend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <deque>
#include <numbers>
#include <thread>

using namespace plat;

namespace {

constexpr unsigned kTone = 4321;
constexpr unsigned kBroken = 4322;
constexpr unsigned kAbsent = 4323;
constexpr unsigned kOverlong = 4324;

// Registered resources must live as long as the process.
void Register(unsigned id, const std::vector<std::uint8_t>& bytes) {
    static std::deque<std::vector<std::uint8_t>> kept;
    kept.push_back(bytes);
    RegisterResource("WAVE", id, kept.back().data(), kept.back().size());
}

// 150 ms of a 440 Hz tone, 16-bit mono at 22050 Hz.
std::vector<std::uint8_t> Tone() {
    const WAVEFORMATEX format = MakePcmFormat(22050, 16, 1);
    std::vector<std::uint8_t> samples;
    for (int i = 0; i < 22050 * 15 / 100; ++i) {
        const auto value =
            static_cast<std::int16_t>(8000 * std::sin(i * 2 * std::numbers::pi * 440 / 22050));
        samples.push_back(static_cast<std::uint8_t>(value & 0xFF));
        samples.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
    return BuildWave(format, samples.data(), samples.size());
}

class WinmmPlaySound : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Register(kTone, Tone());
        std::vector<std::uint8_t> broken = Tone();
        broken.resize(20); // the RIFF header and half a format chunk
        Register(kBroken, broken);
        // A data chunk that claims 64 KiB more than the image holds.
        std::vector<std::uint8_t> overlong = Tone();
        overlong[42] = static_cast<std::uint8_t>(overlong[42] + 1);
        Register(kOverlong, overlong);
    }
    void SetUp() override {
        std::string error;
        std::shared_ptr<SoundBackend> backend = OpenWinmmBackend(error);
        ASSERT_TRUE(backend) << error;
        InstallSoundBackend(backend);
    }
    void TearDown() override {
        PlaySound(nullptr, nullptr, 0);
        InstallSoundBackend(nullptr);
    }
};

} // namespace

TEST_F(WinmmPlaySound, ARegisteredResourcePlaysFromMemory) {
    EXPECT_TRUE(
        PlaySound(MAKEINTRESOURCE(kTone), nullptr, SND_RESOURCE | SND_SYNC | SND_NODEFAULT));
    EXPECT_TRUE(PlaySound("#4321", nullptr, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT));
    EXPECT_TRUE(PlaySound(nullptr, nullptr, 0));
    // The system never reads past the image: it gets what there is.
    EXPECT_TRUE(
        PlaySound(MAKEINTRESOURCE(kOverlong), nullptr, SND_RESOURCE | SND_SYNC | SND_NODEFAULT));
}

TEST_F(WinmmPlaySound, WhatCannotBePlayedIsRefused) {
    EXPECT_FALSE(PlaySound(MAKEINTRESOURCE(kAbsent), nullptr, SND_RESOURCE | SND_NODEFAULT));
    EXPECT_FALSE(PlaySound(MAKEINTRESOURCE(kBroken), nullptr, SND_RESOURCE | SND_NODEFAULT));
    EXPECT_FALSE(PlaySound("not a number", nullptr, SND_RESOURCE | SND_NODEFAULT));
    EXPECT_EQ(PlaySoundDeviceError(), MMSYSERR_NOERROR);
}

TEST_F(WinmmPlaySound, TheVirtualCardPlaysTheSoundItself) {
    auto card = std::make_shared<CVirtualCard>(DefaultCardDesc(), CVirtualCard::Clock::Manual);
    InstallSoundBackend(card);
    ASSERT_TRUE(PlaySound(MAKEINTRESOURCE(kTone), nullptr, SND_RESOURCE | SND_ASYNC));
    for (int i = 0; i < 200 && card->CapturedOutput(0).empty(); ++i) {
        card->AdvanceClock(10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(card->CapturedOutput(0).empty());
}
