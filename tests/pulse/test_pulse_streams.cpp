// The sound-server backend against servers of the test's own (a private
// PulseAudio daemon, then a private PipeWire daemon with its PulseAudio
// server), through the multimedia calls and the audio engine: the format
// survey, a tone played on the default sink and recorded from its monitor,
// pause and reset, the streams' properties as pactl sees them, and a server
// killed while sound flows.
#include "audio/TestSoundCard.h"
#include "audio/WaveHeader.h"
#include "audio/WavePlayer.h"
#include "audio/WaveRecorder.h"
#include "platform/pulse/PulseBackend.h"
#include "platform/pulse/PulseConnection.h"
#include "platform/pulse/testing/PipeWireServerForTesting.h"
#include "platform/pulse/testing/PulseServerForTesting.h"
#include "platform/system/message_loop.h"
#include "tests/support/WaveDevices.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <numeric>
#include <thread>

#include <unistd.h>

using namespace plat;
using namespace wavetest;
namespace fs = std::filesystem;

namespace {

template <class Server> class PulseStreams : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!m_server.Start(error))
            GTEST_SKIP() << "no private sound-server daemon here: " << error;
        const std::string sink = Server::kSink;
        EXPECT_TRUE(m_server.SetDefaultDevice(false, sink));
        Pactl("set-sink-volume " + sink + " 65536");
        Pactl("set-sink-mute " + sink + " 0");
        // What is played is what is recorded: the sink's monitor is the input.
        EXPECT_TRUE(m_server.SetDefaultDevice(true, sink + ".monitor"));
        m_backend = OpenPulseBackend(error);
        ASSERT_NE(m_backend, nullptr) << error;
        // The backend sees the new defaults once the server's events are in.
        const std::string monitor = Description("sources", sink + ".monitor");
        WAVEINCAPSA caps{};
        EXPECT_TRUE(Eventually([&] {
            return waveInGetDevCaps(WAVE_MAPPER, &caps, sizeof caps) == MMSYSERR_NOERROR &&
                   caps.szPname == monitor;
        })) << caps.szPname
            << " is not " << monitor << ", " << Pactl("get-default-source");
    }
    void TearDown() override {
        InstallSoundBackend(nullptr);
        m_backend.reset();
    }

    // Installs the backend the first time a call needs it.
    bool Eventually(const std::function<bool()>& ready, int ms = 3000) {
        InstallSoundBackend(m_backend);
        for (int t = 0; t < ms; t += 10) {
            if (ready())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return ready();
    }

    std::string Pactl(const std::string& arguments) {
        std::string out;
        EXPECT_TRUE(m_server.Pactl(arguments, out)) << arguments << ": " << out;
        return out;
    }
    // The description pactl gives the named sink or source, as far as a
    // device name holds it.
    std::string Description(const std::string& kind, const std::string& name) {
        const std::string list = Pactl("list " + kind);
        const std::size_t at = list.find("Name: " + name + "\n");
        const std::size_t d = list.find("Description: ", at);
        if (at == std::string::npos || d == std::string::npos)
            return "";
        const std::size_t from = d + 13;
        return list.substr(from,
                           std::min<std::size_t>(list.find('\n', from) - from, MAXPNAMELEN - 1));
    }

    Server m_server;
    std::shared_ptr<SoundBackend> m_backend;
};

using Servers = ::testing::Types<CPulseServerForTesting, CPipeWireServerForTesting>;
TYPED_TEST_SUITE(PulseStreams, Servers);

// An open wave-in recording 100 ms buffers from the default source.
struct Recording {
    Completions seen;
    HWAVEIN in = nullptr;
    Buffers buffers;
    explicit Recording(int count) : buffers(count, 11025 * 2 / 10) {}
    ~Recording() { // a test that failed half-way leaves no device on our buffers
        if (in) {
            waveInReset(in);
            waveInClose(in);
        }
    }
    void Open() {
        const WAVEFORMATEX format = Pcm(11025, 16, 1);
        ASSERT_EQ(MMSYSERR_NOERROR,
                  waveInOpen(&in, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&InCallback),
                             reinterpret_cast<DWORD_PTR>(&seen), CALLBACK_FUNCTION));
        for (WAVEHDR& h : buffers.headers) {
            ASSERT_EQ(MMSYSERR_NOERROR, waveInPrepareHeader(in, &h, sizeof h));
            ASSERT_EQ(MMSYSERR_NOERROR, waveInAddBuffer(in, &h, sizeof h));
        }
        ASSERT_EQ(MMSYSERR_NOERROR, waveInStart(in));
    }
    void Close() {
        EXPECT_EQ(MMSYSERR_NOERROR, waveInReset(in));
        for (WAVEHDR& h : buffers.headers)
            EXPECT_EQ(MMSYSERR_NOERROR, waveInUnprepareHeader(in, &h, sizeof h));
        EXPECT_EQ(MMSYSERR_NOERROR, waveInClose(in));
        in = nullptr;
    }
};

// An open wave-out playing `count` buffers of 100 ms of tone at 44100 Hz.
struct Playing {
    Completions seen;
    HWAVEOUT out = nullptr;
    Buffers buffers;
    explicit Playing(int count) : buffers(count, 44100 * 2 / 10) { FillTone(buffers, 44100); }
    ~Playing() {
        if (out) {
            waveOutReset(out);
            waveOutClose(out);
        }
    }
    void Open(bool write = true) {
        const WAVEFORMATEX format = Pcm(44100, 16, 1);
        ASSERT_EQ(MMSYSERR_NOERROR,
                  waveOutOpen(&out, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&OutCallback),
                              reinterpret_cast<DWORD_PTR>(&seen), CALLBACK_FUNCTION));
        for (WAVEHDR& h : buffers.headers) {
            ASSERT_EQ(MMSYSERR_NOERROR, waveOutPrepareHeader(out, &h, sizeof h));
            if (write) {
                ASSERT_EQ(MMSYSERR_NOERROR, waveOutWrite(out, &h, sizeof h));
            }
        }
    }
    void Close() {
        EXPECT_EQ(MMSYSERR_NOERROR, waveOutReset(out));
        for (WAVEHDR& h : buffers.headers)
            EXPECT_EQ(MMSYSERR_NOERROR, waveOutUnprepareHeader(out, &h, sizeof h));
        EXPECT_EQ(MMSYSERR_NOERROR, waveOutClose(out));
        out = nullptr;
    }
};

long LoudSamples(const WAVEHDR& h) {
    const auto* s = reinterpret_cast<const std::int16_t*>(h.lpData);
    long loud = 0;
    for (DWORD i = 0; i < h.dwBytesRecorded / 2; ++i)
        loud += std::abs(s[i]) > 1000;
    return loud;
}

std::string OutErrorText(MMRESULT code) {
    char text[MAXERRORLENGTH] = {};
    EXPECT_EQ(MMSYSERR_NOERROR, waveOutGetErrorText(code, text, sizeof text));
    return text;
}
std::string InErrorText(MMRESULT code) {
    char text[MAXERRORLENGTH] = {};
    EXPECT_EQ(MMSYSERR_NOERROR, waveInGetErrorText(code, text, sizeof text));
    return text;
}

} // namespace

TYPED_TEST(PulseStreams, NamesTheDefaultsAndOffersTheMappedMixers) {
    InstallSoundBackend(this->m_backend);
    EXPECT_EQ("pulse", this->m_backend->Name());
    ASSERT_EQ(1u, waveOutGetNumDevs());
    ASSERT_EQ(1u, waveInGetNumDevs());
    WAVEOUTCAPSA out{};
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutGetDevCaps(0, &out, sizeof out));
    EXPECT_EQ(this->Description("sinks", TypeParam::kSink), out.szPname);
    EXPECT_EQ(MMSYSERR_BADDEVICEID, waveOutGetDevCaps(1, &out, sizeof out));

    std::string error;
    auto connection = CPulseConnection::Connect(error);
    ASSERT_NE(connection, nullptr) << error;
    const PulseLists lists = connection->Lists();
    const auto mixers = MapChosenPulseMixers(lists, ChoosePulseDevices(lists));
    ASSERT_EQ(mixers.size(), mixerGetNumDevs());
    ASSERT_EQ(mixers.size(), 2u) << "the null devices' mixer and the defaults";
    for (UINT i = 0; i < mixers.size(); ++i) {
        MIXERCAPSA caps{};
        ASSERT_EQ(MMSYSERR_NOERROR, mixerGetDevCaps(i, &caps, sizeof caps));
        EXPECT_EQ(mixers[i].name, caps.szPname);
    }
}

TYPED_TEST(PulseStreams, FormatSurveyAnswersAllSixteenCells) {
    InstallSoundBackend(this->m_backend);
    WAVEOUTCAPSA out{};
    WAVEINCAPSA in{};
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutGetDevCaps(WAVE_MAPPER, &out, sizeof out));
    ASSERT_EQ(MMSYSERR_NOERROR, waveInGetDevCaps(WAVE_MAPPER, &in, sizeof in));
    // Every bit the three standard rates define.
    EXPECT_EQ(0xFFFu, out.dwFormats);
    EXPECT_EQ(0xFFFu, in.dwFormats);
    for (DWORD rate : {8000u, 11025u, 22050u, 44100u})
        for (WORD bits : {8, 16})
            for (WORD channels : {1, 2}) {
                const WAVEFORMATEX f = Pcm(rate, bits, channels);
                EXPECT_EQ(MMSYSERR_NOERROR,
                          waveOutOpen(nullptr, WAVE_MAPPER, &f, 0, 0, WAVE_FORMAT_QUERY));
                EXPECT_EQ(MMSYSERR_NOERROR,
                          waveInOpen(nullptr, WAVE_MAPPER, &f, 0, 0, WAVE_FORMAT_QUERY));
            }
    CTestSoundCard tester;
    tester.SetWait([](DWORD) {});
    std::vector<std::string> inRefused, outRefused;
    ASSERT_TRUE(tester.TestFormats(inRefused, outRefused)) << tester.GetLastError();
    EXPECT_TRUE(inRefused.empty()) << inRefused.front();
    EXPECT_TRUE(outRefused.empty()) << outRefused.front();

    // What no wave device carries is refused before the server is asked.
    const WAVEFORMATEX odd = Pcm(11025, 12, 1);
    EXPECT_EQ(WAVERR_BADFORMAT, waveOutOpen(nullptr, WAVE_MAPPER, &odd, 0, 0, WAVE_FORMAT_QUERY));
    // Once the server is gone a query says so rather than answering yes.
    ASSERT_TRUE(this->m_server.Kill());
    const WAVEFORMATEX f = Pcm(11025, 16, 1);
    EXPECT_TRUE(this->Eventually(
        [&] { return waveOutOpen(nullptr, WAVE_MAPPER, &f, 0, 0, WAVE_FORMAT_QUERY) != 0; }));
}

TYPED_TEST(PulseStreams, ToneOnTheSinkIsRecordedFromItsMonitorInOrder) {
    InstallSoundBackend(this->m_backend);
    Recording recording(60); // six seconds: more than the test records
    ASSERT_NO_FATAL_FAILURE(recording.Open());
    Playing tone(15); // 1.5 s of sound
    ASSERT_NO_FATAL_FAILURE(tone.Open());
    const auto start = std::chrono::steady_clock::now();

    // While both streams run the server names them as ours.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::string inputs = this->Pactl("list sink-inputs");
    EXPECT_THAT(inputs, ::testing::HasSubstr("application.name = \"Pelmora\""));
    EXPECT_THAT(inputs, ::testing::HasSubstr("application.icon_name = \"pelmora\""));
    EXPECT_THAT(inputs, ::testing::HasSubstr("media.role = \"music\""));
    const std::string outputs = this->Pactl("list source-outputs");
    EXPECT_THAT(outputs, ::testing::HasSubstr("application.name = \"Pelmora\""));
    EXPECT_THAT(outputs, ::testing::HasSubstr("media.role = \"production\""));

    ASSERT_TRUE(tone.seen.WaitFor(15, 10000)) << tone.seen.doneCount << " of 15 played";
    // Handed back as played: not long before the sound's length (less the
    // server's short buffer).
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1300));
    EXPECT_EQ(tone.buffers.Order(), tone.seen.Done());
    // A little more, so the end of the tone reaches the recording.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(MMSYSERR_NOERROR, waveInStop(recording.in));
    const int filled = recording.seen.doneCount;
    ASSERT_GE(filled, 10);
    ASSERT_LT(filled, 60);
    EXPECT_EQ(WHDR_INQUEUE | WHDR_PREPARED, recording.buffers.headers[filled].dwFlags);
    ASSERT_EQ(MMSYSERR_NOERROR, waveInReset(recording.in));
    EXPECT_EQ(recording.buffers.Order(), recording.seen.Done());

    long loud = 0;
    for (const WAVEHDR& h : recording.buffers.headers)
        loud += LoudSamples(h);
    // About one second of a tone at a third of full scale.
    EXPECT_GT(loud, 5000);
    recording.Close();
    tone.Close();
    EXPECT_EQ(WOM_CLOSE, tone.seen.messages.back());
    EXPECT_EQ(WIM_CLOSE, recording.seen.messages.back());
}

TYPED_TEST(PulseStreams, PauseHoldsAndResetReturnsEveryBuffer) {
    InstallSoundBackend(this->m_backend);
    Playing tone(8);
    ASSERT_NO_FATAL_FAILURE(tone.Open(false));
    EXPECT_EQ(WOM_OPEN, tone.seen.messages.front());
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutPause(tone.out));
    for (WAVEHDR& h : tone.buffers.headers)
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutWrite(tone.out, &h, sizeof h));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(0, tone.seen.doneCount) << "a paused device played";

    ASSERT_EQ(MMSYSERR_NOERROR, waveOutRestart(tone.out));
    ASSERT_TRUE(tone.seen.WaitFor(1));
    EXPECT_EQ(WAVERR_STILLPLAYING, waveOutClose(tone.out));
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutReset(tone.out));
    // Back at once, every one, in queue order.
    EXPECT_EQ(8, tone.seen.doneCount);
    EXPECT_EQ(tone.buffers.Order(), tone.seen.Done());
    for (WAVEHDR& h : tone.buffers.headers)
        EXPECT_EQ(WHDR_DONE | WHDR_PREPARED, h.dwFlags);

    // A short sound after the reset still plays to its end.
    WAVEHDR& last = tone.buffers.headers[0];
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutWrite(tone.out, &last, sizeof last));
    EXPECT_TRUE(tone.seen.WaitFor(9, 3000));
    tone.Close();
}

TYPED_TEST(PulseStreams, ServerKilledWhileRecordingStopsTheWaveInWithItsWords) {
    InstallSoundBackend(this->m_backend);
    Recording recording(30);
    ASSERT_NO_FATAL_FAILURE(recording.Open());
    ASSERT_TRUE(recording.seen.WaitFor(2));
    ASSERT_TRUE(this->m_server.Kill());
    const auto killed = std::chrono::steady_clock::now();
    const int before = recording.seen.doneCount;

    // Every buffer comes back, promptly, and nothing more.
    ASSERT_TRUE(recording.seen.WaitFor(30, 3000)) << recording.seen.doneCount << " of 30";
    EXPECT_LT(std::chrono::steady_clock::now() - killed, std::chrono::milliseconds(1500));
    EXPECT_EQ(recording.buffers.Order(), recording.seen.Done());
    DWORD afterwards = 0;
    for (int i = before; i < 30; ++i)
        afterwards += recording.buffers.headers[i].dwBytesRecorded;
    EXPECT_LE(afterwards, recording.buffers.headers[0].dwBufferLength) << "made-up sound";

    WAVEHDR& h = recording.buffers.headers[0];
    const MMRESULT again = waveInAddBuffer(recording.in, &h, sizeof h);
    EXPECT_NE(MMSYSERR_NOERROR, again);
    EXPECT_THAT(InErrorText(again),
                ::testing::HasSubstr("(default source: Connection terminated)"));
    EXPECT_NE(MMSYSERR_NOERROR, waveInStart(recording.in));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(30, recording.seen.doneCount);
    recording.Close();
    EXPECT_EQ(WIM_CLOSE, recording.seen.messages.back());
}

TYPED_TEST(PulseStreams, ServerKilledWhilePlayingHandsBackEveryBuffer) {
    InstallSoundBackend(this->m_backend);
    Playing tone(30);
    ASSERT_NO_FATAL_FAILURE(tone.Open());
    ASSERT_TRUE(tone.seen.WaitFor(1));
    ASSERT_TRUE(this->m_server.Kill());
    const auto killed = std::chrono::steady_clock::now();
    ASSERT_TRUE(tone.seen.WaitFor(30, 3000)) << tone.seen.doneCount << " of 30";
    // Not played out in real time: the rest would take two seconds more.
    EXPECT_LT(std::chrono::steady_clock::now() - killed, std::chrono::milliseconds(1500));
    EXPECT_EQ(tone.buffers.Order(), tone.seen.Done());

    WAVEHDR& h = tone.buffers.headers[0];
    const MMRESULT again = waveOutWrite(tone.out, &h, sizeof h);
    EXPECT_NE(MMSYSERR_NOERROR, again);
    EXPECT_THAT(OutErrorText(again), ::testing::HasSubstr("(default sink: Connection terminated)"));
    tone.Close();

    // A new stream on a server that is gone is refused with the server's words.
    HWAVEOUT out = nullptr;
    const WAVEFORMATEX f = Pcm(22050, 16, 1);
    const MMRESULT opened = waveOutOpen(&out, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL);
    EXPECT_NE(MMSYSERR_NOERROR, opened);
    EXPECT_EQ(nullptr, out);
    EXPECT_THAT(OutErrorText(opened), ::testing::HasSubstr("(default sink: "));

    // The server comes back: the backend connects to it again on its own,
    // and a new stream plays every buffer on it.
    std::string error;
    ASSERT_TRUE(this->m_server.Restart(error)) << error;
    bool connected = false;
    for (int i = 0; i < 500 && !connected; ++i) {
        connected = waveOutOpen(&out, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR;
        if (!connected)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(connected) << "no stream on the server that came back";
    EXPECT_EQ(MMSYSERR_NOERROR, waveOutClose(out));
    Playing next(3);
    ASSERT_NO_FATAL_FAILURE(next.Open());
    EXPECT_TRUE(next.seen.WaitFor(3, 3000)) << next.seen.doneCount << " of 3";
    next.Close();
}

// A headset of the test's own made the default sink: what plays there ends
// with it when it goes, as when a headset is pulled out, rather than being
// moved on to the other sink; the server itself is still there.
TYPED_TEST(PulseStreams, ASinkUnloadedWhilePlayingEndsTheStreamRatherThanMovingIt) {
    const std::string module =
        this->m_server.LoadNullDevice(false, "pelmora_headset2", "USB Headset 2", "headset");
    ASSERT_FALSE(module.empty());
    ASSERT_TRUE(this->m_server.SetDefaultDevice(false, "pelmora_headset2"));
    WAVEOUTCAPSA caps{};
    // PipeWire's session manager takes the default a while after pactl ends.
    ASSERT_TRUE(this->Eventually(
        [&] {
            return waveOutGetDevCaps(WAVE_MAPPER, &caps, sizeof caps) == MMSYSERR_NOERROR &&
                   std::string(caps.szPname) == "USB Headset 2";
        },
        10000))
        << caps.szPname;
    // The device list says what was plugged in.
    const std::vector<SoundDevice> devices = this->m_backend->ListDevices();
    const auto headset = std::find_if(devices.begin(), devices.end(), [](const SoundDevice& d) {
        return d.id == "pelmora_headset2";
    });
    ASSERT_NE(headset, devices.end());
    EXPECT_EQ(headset->formFactor, DeviceFormFactor::Headset);
    EXPECT_EQ(headset->description, "USB Headset 2");

    Playing tone(30);
    ASSERT_NO_FATAL_FAILURE(tone.Open());
    ASSERT_TRUE(tone.seen.WaitFor(1));
    EXPECT_THAT(this->Pactl("list sink-inputs"),
                ::testing::HasSubstr("application.name = \"Pelmora\""));
    ASSERT_TRUE(this->m_server.UnloadModule(module));
    const auto unloaded = std::chrono::steady_clock::now();
    ASSERT_TRUE(tone.seen.WaitFor(30, 3000)) << tone.seen.doneCount << " of 30";
    // Not played out elsewhere: the rest would take two seconds more.
    EXPECT_LT(std::chrono::steady_clock::now() - unloaded, std::chrono::milliseconds(1500));
    EXPECT_EQ(tone.buffers.Order(), tone.seen.Done());
    WAVEHDR& h = tone.buffers.headers[0];
    EXPECT_NE(MMSYSERR_NOERROR, waveOutWrite(tone.out, &h, sizeof h));
    EXPECT_THAT(this->Pactl("list sink-inputs"),
                ::testing::Not(::testing::HasSubstr("application.name = \"Pelmora\"")));
    EXPECT_FALSE(this->m_backend->SoundSystemGone());
    tone.Close();

    // The next stream starts on the default of then.
    Playing next(3);
    ASSERT_NO_FATAL_FAILURE(next.Open());
    EXPECT_TRUE(next.seen.WaitFor(3, 3000));
    next.Close();
}

TYPED_TEST(PulseStreams, TheBackendSaysWhenTheServerIsGone) {
    InstallSoundBackend(this->m_backend);
    EXPECT_FALSE(this->m_backend->SoundSystemGone());
    ASSERT_TRUE(this->m_server.Kill());
    EXPECT_TRUE(this->Eventually([&] { return this->m_backend->SoundSystemGone(); }));
}

// The audio engine's own player and recorder on the server: the recorder
// hears the player through the monitor, and a killed server ends both with
// a reason for the caller.
TYPED_TEST(PulseStreams, PlayerAndRecorderRunAndReportAServerThatDies) {
    InstallSoundBackend(this->m_backend);
    const fs::path file =
        fs::temp_directory_path() / ("pelmora-tone-" + std::to_string(::getpid()) + ".wav");
    {
        const WAVEFORMATEX format = Pcm(22050, 16, 1);
        Buffers tone(1, 22050 * 2 * 10); // ten seconds
        FillTone(tone, 22050);
        std::FILE* out = std::fopen(file.c_str(), "wb");
        ASSERT_NE(nullptr, out);
        ASSERT_TRUE(WriteWaveHeader(out, static_cast<DWORD>(tone.data[0].size()), format));
        ASSERT_EQ(tone.data[0].size(),
                  std::fwrite(tone.data[0].data(), 1, tone.data[0].size(), out));
        std::fclose(out);
    }
    CWavePlayer player;
    CWaveRecorder recorder;
    ASSERT_EQ(1, player.Play(file.string())) << player.GetLastError();
    ASSERT_EQ(1, recorder.Start("")) << recorder.GetLastError();
    int level = 0;
    for (int i = 0; i < 300 && level < 20; ++i) {
        DispatchMessages(10);
        level = recorder.GetLevel();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(level, 20) << "the recorder does not hear the player";
    EXPECT_GT(player.GetPlayLevel(), 0);

    ASSERT_TRUE(this->m_server.Kill());
    for (int i = 0; i < 300 && (recorder.IsRecording() || player.IsPlaying()); ++i) {
        DispatchMessages(10);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(0, recorder.Stop());
    EXPECT_THAT(recorder.GetLastError(), ::testing::HasSubstr("Connection terminated"));
    EXPECT_EQ(0, player.Stop());
    EXPECT_THAT(player.GetLastError(), ::testing::HasSubstr("Connection terminated"));
    fs::remove(file);
}

TEST(PulseBackendChoice, NoServerAnswersWithAReason) {
    // A socket nobody listens on: the user's own server is never reached.
    const char* before = std::getenv("PULSE_SERVER");
    const std::string kept = before ? before : "";
    ::setenv("PULSE_SERVER", "unix:/nonexistent/pelmora/native", 1);
    std::string error;
    EXPECT_EQ(nullptr, OpenPulseBackend(error));
    EXPECT_THAT(error, ::testing::HasSubstr("no sound server answers"));
    if (before)
        ::setenv("PULSE_SERVER", kept.c_str(), 1);
    else
        ::unsetenv("PULSE_SERVER");
}

// `pelmora --sound=pulse --report` on the test's own server prints the
// server, its devices, the devices chosen, its mixers and wave devices.
TEST(PulseBackendChoice, TheProgramReportsTheServersMixers) {
    CPulseServerForTesting server;
    std::string error;
    if (!server.Start(error))
        GTEST_SKIP() << "no private PulseAudio daemon here: " << error;
    const fs::path program = fs::read_symlink("/proc/self/exe").parent_path() / "pelmora";
    ASSERT_TRUE(fs::exists(program)) << program;
    FILE* run = ::popen((program.string() + " --sound=pulse --report 2>&1").c_str(), "r");
    ASSERT_NE(nullptr, run);
    std::string output;
    char buffer[512];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, run))
        output.append(buffer, n);
    EXPECT_EQ(0, ::pclose(run)) << output;
    EXPECT_THAT(output, ::testing::HasSubstr("Sound backend: pulse"));
    EXPECT_THAT(output, ::testing::HasSubstr(kPulseOtherDevices));
    EXPECT_THAT(output, ::testing::HasSubstr(kPulseDefaults));
    EXPECT_THAT(output, ::testing::HasSubstr(CPulseServerForTesting::kSinkDescription));
    // The server by name and version, its devices by their real names, and
    // the devices the wizard works on.
    EXPECT_THAT(output, ::testing::ContainsRegex("Sound server: PulseAudio [0-9]"));
    EXPECT_THAT(output, ::testing::HasSubstr(std::string("Sink: ") +
                                             CPulseServerForTesting::kSinkDescription + " (" +
                                             CPulseServerForTesting::kSink + "), default"));
    EXPECT_THAT(output, ::testing::HasSubstr(std::string("Chosen: microphone ") +
                                             CPulseServerForTesting::kSource + ", speakers " +
                                             CPulseServerForTesting::kSink));
}
