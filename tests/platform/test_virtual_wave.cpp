// Wave-in and wave-out on the virtual card with a stepped clock: format
// queries, busy answers, buffers coming back in order with their byte
// counts, reset, stop, and the callback thread.
#include "platform/mmsystem.h"
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace plat;

namespace {

WAVEFORMATEX Pcm(DWORD rate, WORD bits, WORD channels) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = WORD(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

// Records what the card's thread hands back.
struct Returned {
    std::mutex mutex;
    std::vector<UINT> messages;
    std::vector<WAVEHDR*> headers;
    std::vector<DWORD> recorded;
    std::thread::id thread;
    std::atomic<bool> readd{false};
    HWAVEIN device = nullptr;
};

void OnOut(HWAVEOUT, UINT msg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR) {
    auto* r = reinterpret_cast<Returned*>(instance);
    std::lock_guard<std::mutex> lock(r->mutex);
    r->messages.push_back(msg);
    r->thread = std::this_thread::get_id();
    if (msg == WOM_DONE)
        r->headers.push_back(reinterpret_cast<WAVEHDR*>(p1));
}

void OnIn(HWAVEIN, UINT msg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR) {
    auto* r = reinterpret_cast<Returned*>(instance);
    std::lock_guard<std::mutex> lock(r->mutex);
    r->messages.push_back(msg);
    if (msg != WIM_DATA)
        return;
    auto* header = reinterpret_cast<WAVEHDR*>(p1);
    r->headers.push_back(header);
    r->recorded.push_back(header->dwBytesRecorded);
    if (r->readd.load()) { // hand the buffer straight back, as a recorder does
        EXPECT_EQ(waveInAddBuffer(r->device, header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
}

class VirtualWaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        card = std::make_shared<CVirtualCard>(DefaultCardDesc(), CVirtualCard::Clock::Manual);
        InstallSoundBackend(card);
    }
    void TearDown() override { InstallSoundBackend(nullptr); }

    std::shared_ptr<CVirtualCard> card;
};

TEST_F(VirtualWaveTest, FormatQueriesPerDirectionOpenNothing) {
    VirtualCardDesc desc = DefaultCardDesc();
    desc.waveIn[0].formats = {{11025, 16, 1}, {22050, 16, 1}};
    desc.waveOut[0].formats = {{44100, 16, 2}};
    card = std::make_shared<CVirtualCard>(desc, CVirtualCard::Clock::Manual);
    InstallSoundBackend(card);

    int acceptedIn = 0, acceptedOut = 0;
    for (const PcmFormat& f : AllPcmFormats()) {
        const WAVEFORMATEX w = Pcm(f.rate, f.bits, f.channels);
        const MMRESULT in = waveInOpen(nullptr, WAVE_MAPPER, &w, 0, 0, WAVE_FORMAT_QUERY);
        const MMRESULT out = waveOutOpen(nullptr, 0, &w, 0, 0, WAVE_FORMAT_QUERY);
        ASSERT_TRUE(in == MMSYSERR_NOERROR || in == WAVERR_BADFORMAT);
        ASSERT_TRUE(out == MMSYSERR_NOERROR || out == WAVERR_BADFORMAT);
        acceptedIn += in == MMSYSERR_NOERROR;
        acceptedOut += out == MMSYSERR_NOERROR;
    }
    EXPECT_EQ(acceptedIn, 2);
    EXPECT_EQ(acceptedOut, 1);
    EXPECT_EQ(card->OpenWaveHandles(), 0u);

    WAVEINCAPS in{};
    ASSERT_EQ(waveInGetDevCaps(0, &in, sizeof(in)), MMSYSERR_NOERROR);
    EXPECT_EQ(in.dwFormats, WAVE_FORMAT_1M16 | WAVE_FORMAT_2M16);
    WAVEOUTCAPS out{};
    ASSERT_EQ(waveOutGetDevCaps(0, &out, sizeof(out)), MMSYSERR_NOERROR);
    EXPECT_EQ(out.dwFormats, WAVE_FORMAT_4S16);
    EXPECT_EQ(waveOutGetDevCaps(1, &out, sizeof(out)), MMSYSERR_BADDEVICEID);

    // A format that contradicts itself, or is not PCM, is refused.
    WAVEFORMATEX odd = Pcm(11025, 16, 1);
    odd.nAvgBytesPerSec = 11025;
    EXPECT_EQ(waveInOpen(nullptr, 0, &odd, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
    odd = Pcm(11025, 16, 1);
    odd.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    EXPECT_EQ(waveInOpen(nullptr, 0, &odd, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
}

TEST_F(VirtualWaveTest, BusyDeviceAnswersAllocatedUntilCountedDown) {
    card->SetBusy(true, 0, 3);
    const WAVEFORMATEX w = Pcm(11025, 16, 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(waveInOpen(nullptr, WAVE_MAPPER, &w, 0, 0, WAVE_FORMAT_QUERY),
                  MMSYSERR_ALLOCATED);
    EXPECT_EQ(waveInOpen(nullptr, WAVE_MAPPER, &w, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutOpen(nullptr, 0, &w, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);

    char text[MAXERRORLENGTH];
    ASSERT_EQ(waveInGetErrorText(MMSYSERR_ALLOCATED, text, sizeof(text)), MMSYSERR_NOERROR);
    EXPECT_NE(std::strstr(text, "already in use"), nullptr);
    char tiny[8];
    ASSERT_EQ(waveOutGetErrorText(WAVERR_BADFORMAT, tiny, sizeof(tiny)), MMSYSERR_NOERROR);
    EXPECT_EQ(std::strlen(tiny), 7u);
    EXPECT_EQ(waveOutGetErrorText(12345, text, sizeof(text)), MMSYSERR_BADERRNUM);
}

TEST_F(VirtualWaveTest, PlaybackReturnsBuffersInOrderAtTheDeviceRate) {
    Returned r;
    const WAVEFORMATEX w = Pcm(11025, 16, 1); // 22050 bytes a second
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &w, reinterpret_cast<DWORD_PTR>(&OnOut),
                          reinterpret_cast<DWORD_PTR>(&r), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    std::vector<std::vector<char>> data(3, std::vector<char>(2205)); // 100 ms each
    for (std::size_t i = 0; i < data.size(); ++i)
        std::memset(data[i].data(), int('a' + i), data[i].size());
    WAVEHDR headers[3]{};
    for (int i = 0; i < 3; ++i) {
        headers[i].lpData = data[std::size_t(i)].data();
        headers[i].dwBufferLength = 2205;
        EXPECT_EQ(waveOutWrite(out, &headers[i], sizeof(WAVEHDR)), WAVERR_UNPREPARED);
        ASSERT_EQ(waveOutPrepareHeader(out, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(out, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(waveOutWrite(out, &headers[0], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutUnprepareHeader(out, &headers[0], sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(out), WAVERR_STILLPLAYING);

    card->AdvanceClock(90);
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        EXPECT_TRUE(r.headers.empty());
    }
    card->AdvanceClock(20); // 110 ms: the first buffer is done
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        ASSERT_EQ(r.headers.size(), 1u);
        EXPECT_NE(r.thread, std::this_thread::get_id());
    }
    ASSERT_EQ(waveOutPause(out), MMSYSERR_NOERROR);
    card->AdvanceClock(500);
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        EXPECT_EQ(r.headers.size(), 1u); // paused: nothing moves
    }
    ASSERT_EQ(waveOutRestart(out), MMSYSERR_NOERROR);
    card->AdvanceClock(200);
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        ASSERT_EQ(r.headers.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(r.headers[std::size_t(i)], &headers[i]);
            EXPECT_EQ(headers[i].dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
        }
        EXPECT_EQ(r.messages.front(), WOM_OPEN);
    }
    const std::vector<std::uint8_t> played = card->CapturedOutput(0);
    ASSERT_EQ(played.size(), 3u * 2205);
    EXPECT_EQ(played[0], 'a');
    EXPECT_EQ(played[2205], 'b');
    EXPECT_EQ(played.back(), 'c');

    for (WAVEHDR& h : headers)
        ASSERT_EQ(waveOutUnprepareHeader(out, &h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    std::lock_guard<std::mutex> lock(r.mutex);
    EXPECT_EQ(r.messages.back(), WOM_CLOSE); // delivered before the close returned
    EXPECT_EQ(waveOutClose(out), MMSYSERR_INVALHANDLE);
}

TEST_F(VirtualWaveTest, FiveSecondRecordingComesBackInOrderWithFullByteCounts) {
    MicrophoneSignal sine;
    sine.kind = MicrophoneSignal::Kind::Sine;
    sine.amplitude = 10000;
    sine.frequency = 441;
    card->SetMicrophone(sine);
    // Full recording volume, microphone selected: the signal arrives unscaled.
    const DWORD mux =
        card->FindControlId(0, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, MIXERCONTROL_CONTROLTYPE_MUX);
    const DWORD dstVolume =
        card->FindControlId(0, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, MIXERCONTROL_CONTROLTYPE_VOLUME);
    const DWORD micVolume =
        card->FindControlId(0, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE,
                            MIXERCONTROL_CONTROLTYPE_VOLUME, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    ASSERT_TRUE(card->SetControlValues(0, mux, {1, 0}));
    ASSERT_TRUE(card->SetControlValues(0, dstVolume, {65535, 65535}));
    ASSERT_TRUE(card->SetControlValues(0, micVolume, {65535}));

    Returned r;
    const WAVEFORMATEX w = Pcm(11025, 16, 1);
    HWAVEIN in = nullptr;
    ASSERT_EQ(waveInOpen(&in, WAVE_MAPPER, &w, reinterpret_cast<DWORD_PTR>(&OnIn),
                         reinterpret_cast<DWORD_PTR>(&r), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    r.device = in;
    r.readd = true;
    constexpr DWORD kSize = 4410; // 200 ms
    std::vector<std::vector<char>> data(4, std::vector<char>(kSize));
    WAVEHDR headers[4]{};
    for (int i = 0; i < 4; ++i) {
        headers[i].lpData = data[std::size_t(i)].data();
        headers[i].dwBufferLength = kSize;
        ASSERT_EQ(waveInPrepareHeader(in, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveInAddBuffer(in, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    card->AdvanceClock(1000);
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        EXPECT_TRUE(r.headers.empty()); // not started: nothing recorded
    }
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    card->AdvanceClock(5000);
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        ASSERT_EQ(r.headers.size(), 25u);
        for (std::size_t i = 0; i < r.headers.size(); ++i) {
            EXPECT_EQ(r.headers[i], &headers[i % 4]) << i;
            EXPECT_EQ(r.recorded[i], kSize) << i;
        }
        // The last returned buffer holds the sine, continuous across buffers.
        const auto* s = reinterpret_cast<const std::int16_t*>(r.headers.back()->lpData);
        const std::size_t first = 24 * kSize / 2;
        for (std::size_t k = 0; k < kSize / 2; k += 37) {
            const double expected =
                10000 * std::sin(2 * M_PI * 441.0 * double(first + k) / 11025.0);
            EXPECT_NEAR(s[k], expected, 1.5) << k;
        }
    }
    r.readd = false;
    // Reset hands back every queued buffer, done, before it returns.
    card->AdvanceClock(50); // the buffer in front is partly filled
    ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        ASSERT_EQ(r.headers.size(), 29u);
        EXPECT_EQ(r.recorded[25], 1102u); // 50 ms of whole frames
        EXPECT_EQ(r.recorded[26], 0u);
    }
    for (WAVEHDR& h : headers) {
        EXPECT_EQ(h.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
        ASSERT_EQ(waveInUnprepareHeader(in, &h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    EXPECT_EQ(card->OpenWaveHandles(), 0u);
}

TEST_F(VirtualWaveTest, StopReturnsOnlyThePartlyFilledBufferAndMutedMicIsSilent) {
    MicrophoneSignal noise;
    noise.kind = MicrophoneSignal::Kind::Noise;
    noise.amplitude = 20000;
    card->SetMicrophone(noise); // the default card records line-in: silence
    Returned r;
    const WAVEFORMATEX w = Pcm(8000, 8, 1);
    HWAVEIN in = nullptr;
    ASSERT_EQ(waveInOpen(&in, 0, &w, reinterpret_cast<DWORD_PTR>(&OnIn),
                         reinterpret_cast<DWORD_PTR>(&r), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    std::vector<char> a(800, 1), b(800, 1);
    WAVEHDR ha{}, hb{};
    ha.lpData = a.data();
    ha.dwBufferLength = 800;
    hb.lpData = b.data();
    hb.dwBufferLength = 800;
    for (WAVEHDR* h : {&ha, &hb}) {
        ASSERT_EQ(waveInPrepareHeader(in, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveInAddBuffer(in, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    card->AdvanceClock(30);
    ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
    card->WaitCallbacks();
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        ASSERT_EQ(r.headers.size(), 1u);
        EXPECT_EQ(r.recorded[0], 240u);
        for (DWORD i = 0; i < 240; ++i)
            ASSERT_EQ(std::uint8_t(a[i]), 128u) << i; // 8-bit silence
    }
    EXPECT_EQ(hb.dwFlags & WHDR_INQUEUE, WHDR_INQUEUE);
    EXPECT_EQ(waveInClose(in), WAVERR_STILLPLAYING);
    ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
    for (WAVEHDR* h : {&ha, &hb})
        ASSERT_EQ(waveInUnprepareHeader(in, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

TEST_F(VirtualWaveTest, InjectedFailuresOnWaveCalls) {
    card->FailCall("waveOutOpen", MMSYSERR_NOMEM, 1);
    card->FailCall("waveOutWrite", MMSYSERR_ERROR, 1);
    card->FailCall("waveOutClose", WAVERR_STILLPLAYING, 2);
    const WAVEFORMATEX w = Pcm(22050, 16, 2);
    HWAVEOUT out = nullptr;
    EXPECT_EQ(waveOutOpen(&out, 0, &w, 0, 0, CALLBACK_NULL), MMSYSERR_NOMEM);
    ASSERT_EQ(waveOutOpen(&out, 0, &w, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    std::vector<char> data(400);
    WAVEHDR h{};
    h.lpData = data.data();
    h.dwBufferLength = 400;
    ASSERT_EQ(waveOutPrepareHeader(out, &h, sizeof(h)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutWrite(out, &h, sizeof(h)), MMSYSERR_ERROR);
    EXPECT_EQ(h.dwFlags & WHDR_INQUEUE, 0u); // a failed write queues nothing
    ASSERT_EQ(waveOutWrite(out, &h, sizeof(h)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
    EXPECT_EQ(h.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    ASSERT_EQ(waveOutUnprepareHeader(out, &h, sizeof(h)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(out), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(out), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    EXPECT_EQ(card->CallCount("waveOutClose"), 3);

    // A failure narrowed to a device also hits opens through the mapper.
    card->FailCall("waveInOpen", MMSYSERR_NODRIVER, 1, 0);
    HWAVEIN in = nullptr;
    EXPECT_EQ(waveInOpen(&in, WAVE_MAPPER, &w, 0, 0, CALLBACK_NULL), MMSYSERR_NODRIVER);
    ASSERT_EQ(waveInOpen(&in, WAVE_MAPPER, &w, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

TEST(VirtualWaveRealTime, PlaysInRealTimeOnItsOwnThread) {
    auto card = std::make_shared<CVirtualCard>();
    InstallSoundBackend(card);
    Returned r;
    const WAVEFORMATEX w = Pcm(8000, 8, 1);
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveOutOpen(&out, 0, &w, reinterpret_cast<DWORD_PTR>(&OnOut),
                          reinterpret_cast<DWORD_PTR>(&r), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    std::vector<char> data(400); // 50 ms
    WAVEHDR h{};
    h.lpData = data.data();
    h.dwBufferLength = 400;
    ASSERT_EQ(waveOutPrepareHeader(out, &h, sizeof(h)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(out, &h, sizeof(h)), MMSYSERR_NOERROR);
    for (int i = 0; i < 500 && !(std::atomic_ref<DWORD>(h.dwFlags).load() & WHDR_DONE); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(std::atomic_ref<DWORD>(h.dwFlags).load() & WHDR_DONE);
    card->WaitCallbacks();
    ASSERT_EQ(waveOutUnprepareHeader(out, &h, sizeof(h)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    EXPECT_EQ(card->CapturedOutput(0).size(), 400u);
    InstallSoundBackend(nullptr);
}

} // namespace
