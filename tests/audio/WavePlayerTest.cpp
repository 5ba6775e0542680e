// The player on the virtual card with a stepped clock: levels, the end of
// playback, restart, corrupted sources and what the card received.
#include "audio/WavePlayer.h"
#include "WaveBuilder.h"
#include "audio/AudioEngine.h"
#include "platform/system/message_loop.h"
#include "platform/virtual/VirtualCard.h"
#include "resources/ProgramResources.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

using namespace plat;
using Bytes = WaveBuilder::Bytes;

namespace {

// 11025 Hz 16-bit mono: 20 ms buffers of 442 bytes.
constexpr DWORD kBuffer = 442;

// A sine of 17 samples per period: each 221-sample buffer holds 13 whole periods.
std::vector<std::int16_t> Sine(std::size_t count, double amplitude) {
    std::vector<std::int16_t> s(count);
    for (std::size_t i = 0; i < count; ++i)
        s[i] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * M_PI * i / 17.0)));
    return s;
}

template <typename Pred> bool WaitFor(Pred pred, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class WavePlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        card = std::make_shared<CVirtualCard>(DefaultCardDesc(), CVirtualCard::Clock::Manual);
        InstallSoundBackend(card);
    }
    void TearDown() override {
        player.reset();
        InstallSoundBackend(
            std::make_shared<CVirtualCard>(DefaultCardDesc(), CVirtualCard::Clock::Manual));
    }

    std::string WriteWave(const std::string& name, const std::vector<std::int16_t>& samples) {
        const std::string path = dir.File(name);
        WaveBuilder::Write(path, WaveBuilder()
                                     .Chunk("fmt ", WaveBuilder::Fmt(1, 1, 11025, 16))
                                     .Chunk("data", WaveBuilder::Samples(samples))
                                     .Build());
        return path;
    }

    // Lets the card play until the player has stopped by itself (the posted
    // stop has run and the device is closed). Device time only passes in
    // steps, so a feeder that is a little late delays the sound, never drops it.
    bool PlayToTheEnd(DWORD ms) {
        for (DWORD t = 0; t < 4 * ms; t += 20) {
            card->AdvanceClock(20);
            DispatchMessages();
            if (!player->IsDeviceOpen())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    std::vector<std::int16_t> Played() const {
        const auto bytes = card->CapturedOutput(0);
        std::vector<std::int16_t> s(bytes.size() / 2);
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        return s;
    }

    TempDir dir;
    std::shared_ptr<CVirtualCard> card;
    std::unique_ptr<CWavePlayer> player = std::make_unique<CWavePlayer>();
};

TEST_F(WavePlayerTest, PlaysTheFileToTheEndAndStopsByItself) {
    const auto samples = Sine(11025 / 2 + 123, 1000); // half a second and a bit
    ASSERT_EQ(player->Play(WriteWave("sine.wav", samples)), 1) << player->GetLastError();
    EXPECT_EQ(player->GetBufferSize(), kBuffer);
    EXPECT_TRUE(player->IsPlaying());
    EXPECT_EQ(player->GetPlayLevel(), 0);                       // nothing has come back yet
    ASSERT_TRUE(WaitFor([&] { return !player->IsFeeding(); })); // all fits in 50 buffers

    card->AdvanceClock(100);
    EXPECT_EQ(player->GetPlayLevel(), 5600);
    EXPECT_GT(player->GetBytesPlayed(), 0u);

    ASSERT_TRUE(PlayToTheEnd(2000));
    EXPECT_EQ(player->GetPlayLevel(), -1);
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
    EXPECT_EQ(player->GetBytesPlayed(), samples.size() * 2);
    EXPECT_EQ(Played(), samples);
}

TEST_F(WavePlayerTest, LevelFollowsTheSoundAndIsMinusOneAfterTheLastBuffer) {
    std::vector<std::int16_t> samples(kBuffer / 2 * 10, 0);
    for (std::size_t i = kBuffer / 2 * 5; i < samples.size(); ++i)
        samples[i] = (i / 10) % 2 ? 32767 : -32767;
    ASSERT_EQ(player->Play(WriteWave("steps.wav", samples)), 1);
    ASSERT_TRUE(WaitFor([&] { return !player->IsFeeding(); }));
    card->AdvanceClock(40);
    EXPECT_EQ(player->GetPlayLevel(), 0);
    card->AdvanceClock(100);
    EXPECT_EQ(player->GetPlayLevel(), 9000);
    card->AdvanceClock(120);
    // The last buffer is back: not playing any more, even before the posted
    // stop has closed the device.
    EXPECT_EQ(player->GetPlayLevel(), -1);
    EXPECT_FALSE(player->IsPlaying());
    DispatchMessages();
    EXPECT_FALSE(player->IsDeviceOpen());
}

TEST_F(WavePlayerTest, ExactMultipleOfTheBufferSizeEndsByItself) {
    // 120 buffers: more than the ring holds, so slots are reused, and the
    // buffer that brings the rest to 0 is the marked last one.
    std::vector<std::int16_t> samples(kBuffer / 2 * 120);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(i);
    ASSERT_EQ(player->Play(WriteWave("exact.wav", samples)), 1);
    ASSERT_TRUE(PlayToTheEnd(6000));
    EXPECT_EQ(player->GetLastError(), "");
    EXPECT_EQ(card->CallCount("waveOutWrite"), 120);
    const auto played = Played();
    ASSERT_EQ(played.size(), samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        ASSERT_EQ(played[i], samples[i]) << "sample " << i;
}

TEST_F(WavePlayerTest, PlayWhilePlayingRestartsOnTheNewFile) {
    const std::string first = WriteWave("first.wav", Sine(11025 * 3, 8000));
    std::vector<std::int16_t> second(3000);
    for (std::size_t i = 0; i < second.size(); ++i)
        second[i] = static_cast<std::int16_t>(5 * i - 7000);
    const std::string secondPath = WriteWave("second.wav", second);

    ASSERT_EQ(player->Play(first), 1);
    ASSERT_TRUE(WaitFor([&] { return card->CallCount("waveOutWrite") >= 50; }));
    card->AdvanceClock(200);
    ASSERT_EQ(player->Play(secondPath), 1) << player->GetLastError();
    EXPECT_EQ(card->OpenWaveHandles(), 1u);
    ASSERT_TRUE(PlayToTheEnd(2000));
    EXPECT_EQ(Played(), second); // the capture starts again with each open
}

TEST_F(WavePlayerTest, StopEndsPlaybackAtOnceAndCanBeRepeated) {
    ASSERT_EQ(player->Play(WriteWave("long.wav", Sine(11025 * 5, 3000))), 1);
    ASSERT_TRUE(WaitFor([&] { return card->CallCount("waveOutWrite") >= 50; }));
    card->AdvanceClock(60);
    EXPECT_EQ(player->Stop(), 1);
    EXPECT_FALSE(player->IsFeeding());
    EXPECT_FALSE(player->IsDeviceOpen());
    EXPECT_EQ(player->GetPlayLevel(), -1);
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
    EXPECT_EQ(player->Stop(), 1);
    DispatchMessages(); // nothing left over from the stopped playback
    EXPECT_EQ(player->Play(WriteWave("again.wav", Sine(1000, 100))), 1);
}

TEST_F(WavePlayerTest, PartFrameAtTheEndPlaysEveryWholeFrameAndEndsByItself) {
    // python's wave module writing half a frame after the last, and a sox
    // file cut inside a frame: 16-bit stereo, 4-byte frames.
    for (const char* name : {"partial.wav", "cut.wav"}) {
        const Bytes file = WaveBuilder::Load(WaveDataFile(name));
        Bytes whole = WaveBuilder::DataOf(file);
        ASSERT_NE(whole.size() % 4, 0u) << name << ": run tests/data/wave/generate.sh";
        whole.resize(whole.size() - whole.size() % 4);
        const std::string path = dir.File(name);
        WaveBuilder::Write(path, file);

        ASSERT_EQ(player->Play(path), 1) << name << ": " << player->GetLastError();
        ASSERT_TRUE(PlayToTheEnd(2000)) << name;
        EXPECT_EQ(player->GetLastError(), "") << name;
        EXPECT_EQ(player->GetBytesPlayed(), whole.size()) << name;
        const Bytes played = card->CapturedOutput(0);
        EXPECT_EQ(played.size(), whole.size()) << name;
        EXPECT_TRUE(played == whole) << name;
        EXPECT_EQ(card->OpenWaveHandles(), 0u);
    }
}

TEST_F(WavePlayerTest, ExtensibleHeaderPlaysAsPcm) {
    const Bytes file = WaveBuilder::Load(WaveDataFile("ext16.wav"));
    const std::string path = dir.File("ext16.wav");
    WaveBuilder::Write(path, file);
    ASSERT_EQ(player->Play(path), 1) << player->GetLastError();
    ASSERT_TRUE(PlayToTheEnd(2000));
    EXPECT_EQ(player->GetLastError(), "");
    const WAVEFORMATEX format = card->CapturedFormat(0);
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.nSamplesPerSec, 22050u);
    const Bytes played = card->CapturedOutput(0);
    EXPECT_EQ(played.size(), 2205u * 4);
    EXPECT_TRUE(played == WaveBuilder::DataOf(file));
}

TEST_F(WavePlayerTest, FileWithoutOneWholeFrameFailsWithAText) {
    // A data chunk of no bytes with a list after it (so the chunk is found),
    // and one of a single byte of 16-bit sound.
    for (std::size_t bytes : {std::size_t{0}, std::size_t{1}}) {
        const std::string path = dir.File("empty.wav");
        WaveBuilder::Write(path, WaveBuilder()
                                     .Chunk("fmt ", WaveBuilder::Fmt(1, 1, 11025, 16))
                                     .Chunk("data", Bytes(bytes, 7))
                                     .Chunk("LIST", Bytes(12, 'i'))
                                     .Build());
        EXPECT_EQ(player->Play(path), 0) << bytes;
        EXPECT_EQ(player->GetLastError(), kErrNoSound) << bytes;
        EXPECT_FALSE(player->IsDeviceOpen());
        EXPECT_EQ(card->OpenWaveHandles(), 0u);
        EXPECT_EQ(card->CallCount("waveOutOpen"), 0);
    }
    CAudioEngine engine;
    EXPECT_EQ(engine.Play(dir.File("empty.wav")), 0);
    EXPECT_EQ(engine.GetLastError(), kErrNoSound);
    // The player opens the next file as usual.
    EXPECT_EQ(player->Play(WriteWave("after.wav", Sine(500, 100))), 1);
}

class EmptySource : public CAudioSource {
public:
    EmptySource() {
        WAVEFORMATEX f{};
        f.wFormatTag = WAVE_FORMAT_PCM;
        f.nChannels = 1;
        f.nSamplesPerSec = 11025;
        f.wBitsPerSample = 16;
        f.nBlockAlign = 2;
        f.nAvgBytesPerSec = 22050;
        m_template = f;
    }
    DWORD Seek(DWORD) override { return 0; }
    HRESULT Close() override {
        m_format.reset();
        return S_OK;
    }
    HRESULT Rewind() override { return S_OK; }
    HRESULT Open(const std::string&) override {
        m_format = std::make_unique<WAVEFORMATEX>(m_template);
        m_dataSize = 100000;
        return S_OK;
    }
    HRESULT Read(DWORD, void*, DWORD& got) override {
        ++reads;
        got = 0;
        return S_OK;
    }
    std::atomic<int> reads{0};

private:
    WAVEFORMATEX m_template{};
};

TEST_F(WavePlayerTest, SourceThatKeepsReturningNothingIsCorrupted) {
    auto source = std::make_unique<EmptySource>();
    EmptySource* raw = source.get();
    player = std::make_unique<CWavePlayer>(std::move(source));
    ASSERT_EQ(player->Play("anything.wav"), 1);
    ASSERT_TRUE(WaitFor([&] { return !player->IsFeeding(); }));
    EXPECT_EQ(raw->reads.load(), CWavePlayer::kMaxEmptyReads);
    EXPECT_EQ(player->GetLastError(), "Corrupted File");
    EXPECT_EQ(player->GetPlayLevel(), -1);
    DispatchMessages();
    EXPECT_FALSE(player->IsDeviceOpen());
}

TEST_F(WavePlayerTest, FailuresLeaveTheirTextAndNoDevice) {
    EXPECT_EQ(player->Play(""), 0);
    EXPECT_EQ(player->GetLastError(), "No specified File Name");
    EXPECT_EQ(player->Play(dir.File("missing.wav")), 0);
    EXPECT_EQ(player->GetLastError(), "Error opening file");

    const std::string path = WriteWave("ok.wav", Sine(5000, 1000));
    card->FailCall("waveOutOpen", MMSYSERR_NODRIVER, 1);
    EXPECT_EQ(player->Play(path), 0);
    EXPECT_EQ(player->GetLastError(), StandardMmErrorText(MMSYSERR_NODRIVER));
    EXPECT_EQ(card->OpenWaveHandles(), 0u);

    card->FailCall("waveOutPrepareHeader", MMSYSERR_NOMEM, 1);
    EXPECT_EQ(player->Play(path), 0);
    EXPECT_EQ(player->GetLastError(), StandardMmErrorText(MMSYSERR_NOMEM));
    EXPECT_EQ(card->OpenWaveHandles(), 0u);

    card->FailCall("waveOutWrite", MMSYSERR_ERROR, 1);
    EXPECT_EQ(player->Play(path), 1);
    ASSERT_TRUE(WaitFor([&] { return !player->IsFeeding(); }));
    EXPECT_EQ(player->GetLastError(), StandardMmErrorText(MMSYSERR_ERROR));
    DispatchMessages();
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
}

TEST_F(WavePlayerTest, ADeviceThatEndsThePlaybackIsReportedByTheNextStopOnce) {
    const std::string path = WriteWave("long.wav", Sine(11025 * 3, 1000));
    VirtualFailure gone;
    gone.call = "waveOutWrite";
    gone.code = MMSYSERR_NODRIVER;
    gone.skip = 3;
    card->AddFailure(gone);
    ASSERT_EQ(player->Play(path), 1) << player->GetLastError();
    ASSERT_TRUE(PlayToTheEnd(3000)); // the player closed its device itself
    EXPECT_EQ(player->GetPlayLevel(), -1);
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
    // The caller learns why the replay ended, once.
    EXPECT_EQ(player->Stop(), 0);
    EXPECT_EQ(player->GetLastError(), StandardMmErrorText(MMSYSERR_NODRIVER));
    EXPECT_EQ(player->Stop(), 1);

    // A playback that ends by itself reports nothing.
    card->ClearFailures();
    ASSERT_EQ(player->Play(WriteWave("short.wav", Sine(2000, 1000))), 1);
    ASSERT_TRUE(PlayToTheEnd(2000));
    EXPECT_EQ(player->Stop(), 1);
}

TEST_F(WavePlayerTest, EngineCopiesTextsAndLoopsTheMusic) {
    CAudioEngine engine;
    EXPECT_EQ(engine.GetPlayLevel(), -1);
    EXPECT_EQ(engine.Play(""), 0);
    EXPECT_EQ(engine.GetLastError(), "No specified File Name");

    RegisterProgramResources();
    EXPECT_EQ(engine.PlayResourceLoop(kMusicResource), 1);
    EXPECT_EQ(engine.PlayResourceLoop(0), 1);
    EXPECT_EQ(engine.PlayResourceLoop(9999), 0);
    EXPECT_EQ(engine.GetLastError(), "Error : Playsound");
    EXPECT_EQ(engine.PlayFileLoop(dir.File("none.wav")), 0);
    EXPECT_EQ(engine.PlayFileLoop(""), 1);
}

} // namespace
