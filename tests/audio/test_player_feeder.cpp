// The player's feeder sleeps until a buffer comes back: on the virtual card
// with a stepped clock and the feeder's safety net set to twice the longest
// wait of these tests, so the feeder only goes on in time when a completion
// or Stop wakes it. A wake-up that is lost shows as a feeder that does not
// write again, or a Stop that does not return, within 10 s.
#include "WaveBuilder.h"
#include "audio/WavePlayer.h"
#include "audio/WaveRecorder.h"
#include "platform/system/message_loop.h"
#include "platform/virtual/VirtualCard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace plat;

namespace {

// Twice the longest wait below: only a wake-up ends the feeder's sleep in time.
constexpr int kWaitMs = 10000;
constexpr int kNoSafetyNet = 2 * kWaitMs;
constexpr int kRing = CWavePlayer::kBufferCount;

template <typename Pred> bool WaitFor(Pred pred, int ms = kWaitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Byte i of the sound is i * 7 + i / 256, so any byte played twice, out of
// order or not at all changes what the card received.
std::uint8_t PatternByte(std::size_t i) {
    return static_cast<std::uint8_t>(i * 7 + i / 256);
}

// A source of 11025 Hz 16-bit mono that hands out 4 bytes for each full
// buffer asked for (a slow network file does this), the rest of the sound in
// one piece once the player asks for the last buffer.
class TrickleSource : public CAudioSource {
public:
    explicit TrickleSource(DWORD bytes) : m_bytes(bytes) {}
    DWORD Seek(DWORD) override { return 0; }
    HRESULT Close() override {
        m_format.reset();
        return S_OK;
    }
    HRESULT Rewind() override {
        m_at = 0;
        return S_OK;
    }
    HRESULT Open(const std::string&) override {
        // The recording's format: 11025 Hz, 16-bit mono.
        m_format = std::make_unique<WAVEFORMATEX>(CWaveRecorder::RecordFormat());
        m_dataSize = m_bytes;
        m_at = 0;
        return S_OK;
    }
    HRESULT Read(DWORD count, void* buffer, DWORD& got) override {
        constexpr DWORD kFullBuffer = 442;
        got = std::min(count < kFullBuffer ? count : DWORD{4}, m_bytes - m_at);
        auto* out = static_cast<std::uint8_t*>(buffer);
        for (DWORD i = 0; i < got; ++i)
            out[i] = PatternByte(m_at + i);
        m_at += got;
        return S_OK;
    }

private:
    DWORD m_bytes;
    DWORD m_at = 0;
};

class PlayerFeeder : public ::testing::Test {
protected:
    void SetUp() override {
        card = std::make_shared<CVirtualCard>(DefaultCardDesc(), CVirtualCard::Clock::Manual);
        InstallSoundBackend(card);
        UsePlayer(std::make_unique<CWavePlayer>());
    }
    void TearDown() override {
        player.reset();
        card->WaitCallbacks();
        InstallSoundBackend(
            std::make_shared<CVirtualCard>(DefaultCardDesc(), CVirtualCard::Clock::Manual));
    }

    void UsePlayer(std::unique_ptr<CWavePlayer> p) {
        player = std::move(p);
        player->SetFeederSafetyNetForTesting(kNoSafetyNet);
    }

    // `buffers` buffers of 20 ms (11025 Hz 16-bit mono) of the pattern.
    std::string WriteWave(const std::string& name, std::size_t buffers) {
        WaveBuilder::Bytes data(buffers * 442);
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = PatternByte(i);
        const std::string path = dir.File(name);
        WaveBuilder::Write(path, WaveBuilder()
                                     .Chunk("fmt ", WaveBuilder::Fmt(1, 1, 11025, 16))
                                     .Chunk("data", data)
                                     .Build());
        return path;
    }

    int Written() const { return card->CallCount("waveOutWrite"); }

    // Steps the card's clock `ms` at a time until the player has closed its
    // device by itself; after each step the feeder must have refilled every
    // slot that came back (or queued its last buffer) before the next.
    bool PlayToTheEnd(DWORD ms, int steps = 2000) {
        for (int step = 0; step < steps; ++step) {
            const int before = Written();
            const std::uint64_t back = Back();
            card->AdvanceClock(ms);
            const std::uint64_t returned = Back() - back;
            if (!WaitFor([&] {
                    return !player->IsFeeding() ||
                           static_cast<std::uint64_t>(Written() - before) >= returned;
                })) {
                ADD_FAILURE() << "the feeder did not refill " << returned
                              << " slots that came back, step " << step;
                return false;
            }
            DispatchMessages();
            if (!player->IsDeviceOpen())
                return true;
        }
        return false;
    }

    // Buffers handed back so far, by their bytes: every buffer but the last
    // of a playback is the same size.
    std::uint64_t Back() const { return m_backFrom ? player->GetBytesPlayed() / m_backFrom : 0; }

    bool Matches(const WaveBuilder::Bytes& played, std::size_t bytes) const {
        if (played.size() != bytes)
            return false;
        for (std::size_t i = 0; i < bytes; ++i)
            if (played[i] != PatternByte(i))
                return false;
        return true;
    }

    TempDir dir;
    std::shared_ptr<CVirtualCard> card;
    std::unique_ptr<CWavePlayer> player;
    DWORD m_backFrom = 442;
};

TEST_F(PlayerFeeder, EachBufferThatComesBackWakesTheFeederAndThePlaybackEndsByItself) {
    // Three times the ring, played one 20 ms buffer per step, then again with
    // the whole ring coming back in one step; the same player plays twice.
    const std::string path = WriteWave("long.wav", 3 * kRing + 7);
    for (DWORD step : {DWORD{20}, DWORD{1000}}) {
        const int writes = Written();
        ASSERT_EQ(player->Play(path), 1) << player->GetLastError();
        ASSERT_TRUE(WaitFor([&] { return Written() - writes >= kRing; }));
        const std::uint64_t wakeups = player->GetFeederWakeups();
        ASSERT_TRUE(PlayToTheEnd(step)) << "step " << step;
        EXPECT_EQ(player->GetLastError(), "");
        EXPECT_EQ(Written() - writes, 3 * kRing + 7);
        EXPECT_TRUE(Matches(card->CapturedOutput(0), (3 * kRing + 7) * 442)) << "step " << step;
        // It slept only until buffers came back: never more wake-ups than
        // buffers came back.
        EXPECT_LE(player->GetFeederWakeups() - wakeups, std::uint64_t{3 * kRing + 7})
            << "step " << step;
    }
}

TEST_F(PlayerFeeder, ManyShortBuffersComingBackAtOnceAllGetRefilled) {
    // 4-byte buffers: each 10 ms step hands the whole ring back at once.
    constexpr DWORD kBytes = 4000;
    UsePlayer(std::make_unique<CWavePlayer>(std::make_unique<TrickleSource>(kBytes)));
    m_backFrom = 4;
    ASSERT_EQ(player->Play("trickle"), 1) << player->GetLastError();
    ASSERT_TRUE(WaitFor([&] { return Written() >= kRing; }));
    ASSERT_TRUE(PlayToTheEnd(10));
    EXPECT_EQ(player->GetLastError(), "");
    EXPECT_EQ(player->GetBytesPlayed(), kBytes);
    EXPECT_TRUE(Matches(card->CapturedOutput(0), kBytes));
}

TEST_F(PlayerFeeder, ABufferThatComesBackAsTheFeederIsAboutToSleepStillWakesIt) {
    // Just before its first sleep (the ring is full, slot 0 still queued),
    // the card plays slot 0 on another thread. The completion cannot be told
    // to a feeder that has not begun to sleep yet: it must wait for the
    // sleep, or the feeder must see it before it sleeps.
    std::future<void> completion;
    std::atomic<bool> armed{true};
    player->SetBeforeFeederSleepForTesting([&] {
        if (!armed.exchange(false))
            return;
        // 21 ms: one buffer of 442 bytes at 22050 bytes a second.
        completion = std::async(std::launch::async, [&] { card->AdvanceClock(21); });
        // Time for the completion to run, if it does not wait for the sleep.
        completion.wait_for(std::chrono::milliseconds(300));
    });
    ASSERT_EQ(player->Play(WriteWave("long.wav", 2 * kRing)), 1) << player->GetLastError();
    EXPECT_TRUE(WaitFor([&] { return Written() > kRing; }))
        << "the feeder slept through the buffer that came back";
    ASSERT_TRUE(WaitFor([&] { return !armed.load(); }));
    completion.wait();
    EXPECT_EQ(player->GetBytesPlayed(), 442u);
    EXPECT_EQ(player->Stop(), 1);
}

TEST_F(PlayerFeeder, StopWakesASleepingFeederAtOnce) {
    // A Stop that did not wake the feeder would wait for its safety net,
    // twice the time allowed here.
    std::atomic<int> sleeps{0};
    player->SetBeforeFeederSleepForTesting([&] { ++sleeps; });
    ASSERT_EQ(player->Play(WriteWave("long.wav", 2 * kRing)), 1) << player->GetLastError();
    ASSERT_TRUE(WaitFor([&] { return sleeps.load() > 0; }));
    auto stopped = std::async(std::launch::async, [&] { return player->Stop(); });
    ASSERT_EQ(stopped.wait_for(std::chrono::milliseconds(kWaitMs)), std::future_status::ready)
        << "Stop waited for the feeder's safety net";
    EXPECT_EQ(stopped.get(), 1);
    EXPECT_FALSE(player->IsFeeding());
    EXPECT_FALSE(player->IsDeviceOpen());
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
    EXPECT_EQ(Written(), kRing);
}

TEST_F(PlayerFeeder, APausedDeviceHoldsTheSleepingFeederAndARestartLetsItGoOn) {
    const std::string path = WriteWave("long.wav", 2 * kRing + 3);
    ASSERT_EQ(player->Play(path), 1) << player->GetLastError();
    ASSERT_TRUE(WaitFor([&] { return Written() >= kRing; }));
    ASSERT_EQ(waveOutPause(player->GetDevice()), MMSYSERR_NOERROR);

    // Paused: the clock runs, nothing comes back, and the feeder neither
    // writes nor wakes while real time passes.
    const std::uint64_t wakeups = player->GetFeederWakeups();
    for (int i = 0; i < 10; ++i) {
        card->AdvanceClock(100);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(Written(), kRing);
    EXPECT_EQ(player->GetBytesPlayed(), 0u);
    EXPECT_LE(player->GetFeederWakeups() - wakeups, 1u) << "the feeder polls";
    EXPECT_TRUE(player->IsPlaying());

    ASSERT_EQ(waveOutRestart(player->GetDevice()), MMSYSERR_NOERROR);
    ASSERT_TRUE(PlayToTheEnd(20));
    EXPECT_EQ(player->GetLastError(), "");
    EXPECT_TRUE(Matches(card->CapturedOutput(0), (2 * kRing + 3) * 442));
}

TEST_F(PlayerFeeder, ADeviceThatRefusesABufferEndsTheSleepingFeederWithTheReason) {
    // The 60th write fails: the feeder has slept for slot 9 and is woken by
    // its completion, then meets the refusal.
    VirtualFailure refused;
    refused.call = "waveOutWrite";
    refused.code = MMSYSERR_NODRIVER;
    refused.skip = kRing + 9;
    card->AddFailure(refused);
    ASSERT_EQ(player->Play(WriteWave("long.wav", 3 * kRing)), 1) << player->GetLastError();
    ASSERT_TRUE(WaitFor([&] { return Written() >= kRing; }));
    for (int i = 0; i < 100 && player->IsFeeding(); ++i) {
        card->AdvanceClock(21); // at least one buffer each step
        WaitFor([&] { return !player->IsFeeding() || Written() >= kRing + i + 1; });
    }
    EXPECT_FALSE(player->IsFeeding());
    EXPECT_FALSE(player->IsPlaying());
    DispatchMessages(); // the posted stop closes the device
    EXPECT_FALSE(player->IsDeviceOpen());
    EXPECT_EQ(player->Stop(), 0);
    EXPECT_EQ(player->GetLastError(), StandardMmErrorText(MMSYSERR_NODRIVER));
}

} // namespace
