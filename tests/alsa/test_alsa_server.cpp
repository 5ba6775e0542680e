// The ALSA backend against a real sound server without sound hardware: a
// PulseAudio daemon of the test's own, reached through ALSA's pulse plugins,
// driven through the multimedia calls and the mixer and audio layers above.
#include "audio/MeasureLevel.h"
#include "audio/TestSoundCard.h"
#include "mixer/MixerBase.h"
#include "mixer/MixerRun.h"
#include "mixer/MixerSetup.h"
#include "platform/alsa/AlsaSound.h"
#include "platform/pulse/testing/PulseServerForTesting.h"
#include "platform/system/message_loop.h"
#include "tests/support/WaveDevices.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace plat;

namespace {

using namespace wavetest;

class AlsaServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_server = new CPulseServerForTesting;
        s_up = s_server->Start(s_why);
        if (s_up)
            InstallSoundBackend(CreateAlsaBackend());
    }
    static void TearDownTestSuite() {
        InstallSoundBackend(nullptr);
        delete s_server;
        s_server = nullptr;
    }
    void SetUp() override {
        if (!s_up)
            GTEST_SKIP() << "no PulseAudio daemon can start here: " << s_why;
    }
    static std::string Pactl(const std::string& arguments) {
        std::string out;
        EXPECT_TRUE(s_server->Pactl(arguments, out)) << arguments << ": " << out;
        return out;
    }

    static CPulseServerForTesting* s_server;
    static bool s_up;
    static std::string s_why;
};

CPulseServerForTesting* AlsaServer::s_server = nullptr;
bool AlsaServer::s_up = false;
std::string AlsaServer::s_why;

} // namespace

TEST_F(AlsaServer, MixerWalkFindsSpeakersAndWaveIn) {
    const UINT mixers = mixerGetNumDevs();
    ASSERT_GE(mixers, 1u);
    // The server's own mixer comes after any card's.
    const UINT server = mixers - 1;
    MIXERCAPSA caps{};
    ASSERT_EQ(MMSYSERR_NOERROR, mixerGetDevCaps(server, &caps, sizeof caps));
    EXPECT_STRNE("", caps.szPname);
    std::vector<DWORD> kinds;
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        MIXERLINEA line{};
        line.cbStruct = sizeof line;
        line.dwDestination = d;
        ASSERT_EQ(MMSYSERR_NOERROR,
                  mixerGetLineInfo(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(server)),
                                   &line, MIXER_GETLINEINFOF_DESTINATION));
        kinds.push_back(line.dwComponentType);
    }
    EXPECT_THAT(kinds, ::testing::ElementsAre(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                                              MIXERLINE_COMPONENTTYPE_DST_WAVEIN));
    CMixerBase base;
    EXPECT_EQ(1, base.Init(server, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, NO_SOURCE,
                           MIXERCONTROL_CONTROLTYPE_VOLUME))
        << base.m_error;
}

TEST_F(AlsaServer, TheDeviceListNamesThePcmsAndAChoiceMovesTheMapper) {
    // Before the tests that kill the server.
    SoundBackend& backend = CurrentSoundBackend();
    backend.RefreshDevices();
    std::vector<SoundDevice> heard;
    backend.WatchDevices([&](const std::vector<SoundDevice>& list) { heard = list; });
    const std::vector<SoundDevice> list = backend.ListDevices();
    std::vector<std::string> outputs;
    for (const SoundDevice& d : list)
        if (d.direction == DeviceDirection::Output)
            outputs.push_back(d.id);
    ASSERT_EQ(outputs.size(), waveOutGetNumDevs());
    // `default` (the server's plugin) first, the wave mapper's device.
    ASSERT_FALSE(outputs.empty());
    EXPECT_EQ(outputs[0], "default");
    EXPECT_TRUE(list[0].isDefault);
    EXPECT_EQ(list[0].description, "Default device");
    EXPECT_TRUE(std::any_of(list.begin(), list.end(), [](const SoundDevice& d) {
        return d.id == "default" && d.direction == DeviceDirection::Input;
    }));

    // Listing again finds the same devices: the watcher hears of it once.
    backend.RefreshDevices();
    WaitDispatching(50);
    EXPECT_EQ(heard, list);
    heard.clear();
    backend.RefreshDevices();
    WaitDispatching(50);
    EXPECT_TRUE(heard.empty());

    std::string error;
    EXPECT_FALSE(backend.ChooseDevice(DeviceDirection::Output, "plughw:CARD=None,DEV=9", error));
    EXPECT_NE(error.find("\"plughw:CARD=None,DEV=9\""), std::string::npos) << error;
    ASSERT_TRUE(backend.ChooseDevice(DeviceDirection::Output, outputs.back(), error)) << error;
    WaitDispatching(50);
    // Without a card here `default` is the only device: choosing it changes nothing.
    EXPECT_EQ(heard.empty(), outputs.size() == 1);
    for (const SoundDevice& d : heard)
        if (d.direction == DeviceDirection::Output) {
            EXPECT_EQ(d.isDefault, d.id == outputs.back()) << d.id;
        }
    WAVEOUTCAPSA mapper{}, chosen{};
    ASSERT_EQ(waveOutGetDevCaps(WAVE_MAPPER, &mapper, sizeof mapper), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutGetDevCaps(outputs.size() - 1, &chosen, sizeof chosen), MMSYSERR_NOERROR);
    EXPECT_STREQ(mapper.szPname, chosen.szPname);
    ASSERT_TRUE(backend.ChooseDevice(DeviceDirection::Output, "default", error)) << error;
    backend.WatchDevices(nullptr);
}

TEST_F(AlsaServer, VolumesRoundTripThroughTheServer) {
    CMixerSetup setup;
    ASSERT_EQ(1, setup.SetPlaybackVolume(5000)) << setup.GetErrorText();
    EXPECT_NEAR(32768, s_server->SinkVolume(), 2);
    int v = -1;
    setup.GetPlaybackVolume(v);
    EXPECT_NEAR(5000, v, 1);

    // A change made by someone else is what the next reading shows.
    Pactl(std::string("set-sink-volume ") + CPulseServerForTesting::kSink + " 16384");
    setup.GetPlaybackVolume(v);
    EXPECT_NEAR(2500, v, 1);

    ASSERT_EQ(1, setup.SetRecordingVolume(7500)) << setup.GetErrorText();
    EXPECT_NEAR(49152, s_server->SourceVolume(), 2);
    setup.GetRecordingVolume(v);
    EXPECT_NEAR(7500, v, 1);
}

TEST_F(AlsaServer, SnapshotRestoreBringsTheServersVolumesBack) {
    const std::string sink = CPulseServerForTesting::kSink,
                      source = CPulseServerForTesting::kSource;
    Pactl("set-sink-volume " + sink + " 20000");
    Pactl("set-sink-mute " + sink + " 1");
    Pactl("set-source-volume " + source + " 30000");
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("alsa-mixer-" + std::to_string(std::rand()) + ".ser"))
                                 .string();

    CMixerSetup setup;
    ASSERT_EQ(1, setup.SaveSnapshot(path)) << setup.GetErrorText();
    // What the sound-card test does: unmute playback, then the user's sliders.
    ASSERT_EQ(1, setup.PreparePlayback()) << setup.GetErrorText();
    EXPECT_THAT(Pactl("get-sink-mute " + sink), ::testing::HasSubstr("no"));
    ASSERT_EQ(1, setup.SetPlaybackVolume(9000));
    ASSERT_EQ(1, setup.SetRecordingVolume(1000));
    EXPECT_NEAR(58982, s_server->SinkVolume(), 2);

    ASSERT_EQ(1, setup.RestoreSnapshot(path)) << setup.GetErrorText();
    EXPECT_NEAR(20000, s_server->SinkVolume(), 1);
    EXPECT_THAT(Pactl("get-sink-mute " + sink), ::testing::HasSubstr("yes"));
    EXPECT_NEAR(30000, s_server->SourceVolume(), 1);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A wizard run as a process of its own (this program again, running only
// AlsaServerRun.Cancel): it takes the snapshot, changes both volumes, says
// "ready" and waits for "cancel"; then it cancels and writes what the restore
// answered, and ends. The server and the snapshot's directory are the
// parent's, through the environment.
constexpr const char* kRunDirVariable = "PELMORA_TEST_RUN_DIR";

TEST(AlsaServerRun, Cancel) {
    const char* dir = std::getenv(kRunDirVariable);
    if (dir == nullptr)
        GTEST_SKIP() << "runs only as the child of AlsaServer.ServerGoneDuringCancel...";
    InstallSoundBackend(CreateAlsaBackend());
    const std::string path = MixerSnapshotPath();
    CMixerSetup setup;
    ASSERT_EQ(1, setup.SaveSnapshot(path)) << setup.GetErrorText();
    ASSERT_EQ(1, setup.SetPlaybackVolume(9000)) << setup.GetErrorText();
    ASSERT_EQ(1, setup.SetRecordingVolume(1000)) << setup.GetErrorText();
    const std::string base = std::string(dir) + "/";
    std::ofstream(base + "ready") << "ready";
    for (int i = 0; i < 1000 && !std::filesystem::exists(base + "cancel"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int restored = setup.RestoreSnapshot(path);
    std::ofstream(base + "answer") << restored << "\n"
                                   << RestoreFailedText(setup.GetErrorText(), setup.SnapshotFile());
    InstallSoundBackend(nullptr);
}

TEST_F(AlsaServer, ServerGoneDuringCancelKeepsTheSnapshotForTheCommandLine) {
    namespace fs = std::filesystem;
    const std::string sink = CPulseServerForTesting::kSink,
                      source = CPulseServerForTesting::kSource;
    Pactl("set-sink-volume " + sink + " 20000");
    Pactl("set-source-volume " + source + " 30000");
    const fs::path dir = fs::temp_directory_path() / ("alsa-run-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("TMPDIR", dir.c_str(), 1);
    const std::string snapshot = MixerSnapshotPath();

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv(kRunDirVariable, dir.c_str(), 1);
        ::execl("/proc/self/exe", "test_alsa_server", "--gtest_filter=AlsaServerRun.Cancel",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 1000 && !fs::exists(dir / "ready"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::exists(dir / "ready"));
    EXPECT_NEAR(58982, s_server->SinkVolume(), 2);

    // The sound server goes away just as the user cancels.
    s_server->Stop();
    std::ofstream(dir / "cancel") << "now";
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    std::ifstream answer(dir / "answer");
    std::string restored, told((std::istreambuf_iterator<char>(answer)), {});
    restored = told.substr(0, told.find('\n'));
    EXPECT_EQ("0", restored);
    EXPECT_THAT(told, ::testing::HasSubstr("could not be put back"));
    EXPECT_THAT(told, ::testing::HasSubstr(snapshot));
    EXPECT_THAT(told, ::testing::HasSubstr("pelmora --restore-mixer"));
    EXPECT_TRUE(fs::exists(snapshot));
    EXPECT_TRUE(fs::exists(RunRecordPath(snapshot)));
    EXPECT_EQ(SnapshotOwner::EndedRun, FindSnapshotOwner(snapshot));

    // The server is back (with volumes of its own); the command line puts the
    // user's settings back.
    std::string why;
    ASSERT_TRUE(s_server->Start(why)) << why;
    ASSERT_GT(std::labs(s_server->SinkVolume() - 20000), 100);
    const fs::path program = fs::read_symlink("/proc/self/exe").parent_path() / "pelmora";
    ASSERT_TRUE(fs::exists(program)) << program;
    const std::string command = program.string() + " --sound=alsa --restore-mixer 2>&1";
    FILE* run = ::popen(command.c_str(), "r");
    ASSERT_NE(nullptr, run);
    std::string output;
    char buffer[256];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, run))
        output.append(buffer, n);
    EXPECT_EQ(0, ::pclose(run)) << output;
    EXPECT_NEAR(20000, s_server->SinkVolume(), 1) << output;
    EXPECT_NEAR(30000, s_server->SourceVolume(), 1) << output;
    EXPECT_FALSE(fs::exists(snapshot));
    EXPECT_FALSE(fs::exists(RunRecordPath(snapshot)));
    ::unsetenv("TMPDIR");
    fs::remove_all(dir);
}

TEST_F(AlsaServer, FormatSurveyAnswersAllSixteenCells) {
    CTestSoundCard tester;
    tester.SetWait([](DWORD) {});
    std::vector<std::string> in, out;
    ASSERT_TRUE(tester.TestFormats(in, out)) << tester.GetLastError();
    EXPECT_TRUE(in.empty()) << in.front();
    EXPECT_TRUE(out.empty()) << out.front();

    const CTestSoundCard::Inventory* devices = tester.GetDevices();
    ASSERT_NE(nullptr, devices) << tester.GetLastError();
    ASSERT_GE(devices->outCount, 1u);
    EXPECT_EQ(16u, devices->outDevices[0].supported.size());
    EXPECT_NE(0u, devices->outDevices[0].caps.dwFormats & WAVE_FORMAT_4S16);

    // What no PCM device carries is refused before any device is asked.
    WAVEFORMATEX odd = Pcm(11025, 12, 1);
    EXPECT_EQ(WAVERR_BADFORMAT, waveOutOpen(nullptr, WAVE_MAPPER, &odd, 0, 0, WAVE_FORMAT_QUERY));
    WAVEFORMATEX lying = Pcm(11025, 16, 2);
    lying.nBlockAlign = 2;
    EXPECT_EQ(WAVERR_BADFORMAT, waveInOpen(nullptr, WAVE_MAPPER, &lying, 0, 0, WAVE_FORMAT_QUERY));
}

TEST_F(AlsaServer, ToneOnTheSinkIsRecordedFromItsMonitor) {
    const std::string sink = CPulseServerForTesting::kSink;
    Pactl("set-default-source " + sink + ".monitor");
    Pactl("set-sink-volume " + sink + " 65536");
    Pactl("set-sink-mute " + sink + " 0");

    const WAVEFORMATEX inFormat = Pcm(11025, 16, 1);
    Completions recorded;
    HWAVEIN in = nullptr;
    ASSERT_EQ(MMSYSERR_NOERROR,
              waveInOpen(&in, WAVE_MAPPER, &inFormat, reinterpret_cast<DWORD_PTR>(&InCallback),
                         reinterpret_cast<DWORD_PTR>(&recorded), CALLBACK_FUNCTION));
    Buffers inBuffers(60, 11025 * 2 / 10); // six seconds: more than the test records
    for (WAVEHDR& h : inBuffers.headers) {
        ASSERT_EQ(MMSYSERR_NOERROR, waveInPrepareHeader(in, &h, sizeof h));
        ASSERT_EQ(MMSYSERR_NOERROR, waveInAddBuffer(in, &h, sizeof h));
    }

    const WAVEFORMATEX outFormat = Pcm(44100, 16, 1);
    Completions played;
    HWAVEOUT out = nullptr;
    ASSERT_EQ(MMSYSERR_NOERROR,
              waveOutOpen(&out, WAVE_MAPPER, &outFormat, reinterpret_cast<DWORD_PTR>(&OutCallback),
                          reinterpret_cast<DWORD_PTR>(&played), CALLBACK_FUNCTION));
    Buffers tone(6, 44100 * 2 / 4);
    FillTone(tone, 44100);
    ASSERT_EQ(MMSYSERR_NOERROR, waveInStart(in));
    for (WAVEHDR& h : tone.headers) {
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutPrepareHeader(out, &h, sizeof h));
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutWrite(out, &h, sizeof h));
    }
    ASSERT_TRUE(played.WaitFor(6, 15000)) << played.doneCount << " of 6 buffers played";
    EXPECT_EQ(tone.Order(), played.done);
    // Stop hands back the buffer being filled and keeps the empty ones.
    ASSERT_EQ(MMSYSERR_NOERROR, waveInStop(in));
    const int filled = recorded.doneCount;
    ASSERT_GT(filled, 0);
    ASSERT_LT(filled, 60);
    EXPECT_EQ(WHDR_INQUEUE | WHDR_PREPARED, inBuffers.headers[filled].dwFlags);
    ASSERT_EQ(MMSYSERR_NOERROR, waveInReset(in));

    // Every buffer came back in queue order; the ones never filled empty.
    EXPECT_EQ(inBuffers.Order(), recorded.done);
    for (int i = filled; i < 60; ++i)
        EXPECT_EQ(0u, inBuffers.headers[i].dwBytesRecorded);
    int loudest = -1;
    long nonZero = 0;
    for (const WAVEHDR& h : inBuffers.headers) {
        EXPECT_EQ(WHDR_DONE | WHDR_PREPARED, h.dwFlags);
        loudest = std::max(loudest, MeasureLevel(h.lpData, h.dwBytesRecorded, inFormat));
        const auto* s = reinterpret_cast<const std::int16_t*>(h.lpData);
        for (DWORD i = 0; i < h.dwBytesRecorded / 2; ++i)
            nonZero += s[i] != 0;
    }
    EXPECT_GT(loudest, 0);
    EXPECT_GT(nonZero, 1000);

    for (WAVEHDR& h : tone.headers)
        EXPECT_EQ(MMSYSERR_NOERROR, waveOutUnprepareHeader(out, &h, sizeof h));
    for (WAVEHDR& h : inBuffers.headers)
        EXPECT_EQ(MMSYSERR_NOERROR, waveInUnprepareHeader(in, &h, sizeof h));
    EXPECT_EQ(MMSYSERR_NOERROR, waveOutClose(out));
    EXPECT_EQ(MMSYSERR_NOERROR, waveInClose(in));
    EXPECT_EQ(WOM_CLOSE, played.messages.back());
    EXPECT_EQ(WIM_CLOSE, recorded.messages.back());
    Pactl("set-default-source " + std::string(CPulseServerForTesting::kSource));
}

TEST_F(AlsaServer, PauseHoldsAndResetReturnsEveryBuffer) {
    const WAVEFORMATEX format = Pcm(22050, 16, 1);
    Completions played;
    HWAVEOUT out = nullptr;
    ASSERT_EQ(MMSYSERR_NOERROR,
              waveOutOpen(&out, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&OutCallback),
                          reinterpret_cast<DWORD_PTR>(&played), CALLBACK_FUNCTION));
    EXPECT_EQ(WOM_OPEN, played.messages.front());
    Buffers buffers(4, 22050 * 2 / 4); // a quarter of a second each
    FillTone(buffers, 22050);
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutPause(out));
    EXPECT_EQ(WAVERR_UNPREPARED, waveOutWrite(out, &buffers.headers[0], sizeof(WAVEHDR)));
    for (WAVEHDR& h : buffers.headers) {
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutPrepareHeader(out, &h, sizeof h));
        ASSERT_EQ(MMSYSERR_NOERROR, waveOutWrite(out, &h, sizeof h));
    }
    EXPECT_EQ(WAVERR_STILLPLAYING, waveOutWrite(out, &buffers.headers[0], sizeof(WAVEHDR)));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(0, played.doneCount) << "a paused device played";

    ASSERT_EQ(MMSYSERR_NOERROR, waveOutRestart(out));
    ASSERT_TRUE(played.WaitFor(1));
    EXPECT_EQ(WAVERR_STILLPLAYING,
              waveOutUnprepareHeader(out, &buffers.headers[3], sizeof(WAVEHDR)));
    EXPECT_EQ(WAVERR_STILLPLAYING, waveOutClose(out));
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutReset(out));
    // Back at once, every one, in queue order.
    EXPECT_EQ(4, played.doneCount);
    EXPECT_EQ(buffers.Order(), played.done);
    for (WAVEHDR& h : buffers.headers)
        EXPECT_EQ(WHDR_DONE | WHDR_PREPARED, h.dwFlags);
    EXPECT_EQ(MMSYSERR_NOERROR, waveOutClose(out));
    EXPECT_EQ(MMSYSERR_INVALHANDLE, waveOutClose(out));
}

TEST_F(AlsaServer, PlaySoundPlaysAWaveThroughTheServer) {
    // A third of a second of tone in a 44-byte-header WAVE file.
    const DWORD rate = 22050, bytes = rate * 2 / 3;
    Buffers tone(1, bytes);
    FillTone(tone, rate);
    std::vector<char> wave;
    auto put = [&](const void* p, std::size_t n) {
        wave.insert(wave.end(), static_cast<const char*>(p), static_cast<const char*>(p) + n);
    };
    auto put32 = [&](std::uint32_t v) { put(&v, 4); };
    auto put16 = [&](std::uint16_t v) { put(&v, 2); };
    put("RIFF", 4);
    put32(36 + bytes);
    put("WAVEfmt ", 8);
    put32(16);
    put16(WAVE_FORMAT_PCM);
    put16(1);
    put32(rate);
    put32(rate * 2);
    put16(2);
    put16(16);
    put("data", 4);
    put32(bytes);
    put(tone.data[0].data(), bytes);

    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("alsa-tone-" + std::to_string(std::rand()) + ".wav");
    std::ofstream(file, std::ios::binary)
        .write(wave.data(), static_cast<std::streamsize>(wave.size()));

    const auto start = std::chrono::steady_clock::now();
    const BOOL played = PlaySound(file.c_str(), nullptr, SND_FILENAME | SND_SYNC);
    std::filesystem::remove(file);
    ASSERT_TRUE(played);
    // A synchronous sound returns once it has been played.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
}

TEST_F(AlsaServer, ErrorsKeepAlsasOwnWords) {
    // The devices are listed on first use: `default` while the server runs.
    ASSERT_GE(waveOutGetNumDevs(), 1u);
    s_server->Stop();
    const WAVEFORMATEX format = Pcm(11025, 16, 1);
    HWAVEOUT out = nullptr;
    const MMRESULT result = waveOutOpen(&out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
    ASSERT_NE(MMSYSERR_NOERROR, result);
    EXPECT_EQ(nullptr, out);
    char text[MAXERRORLENGTH] = {};
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutGetErrorText(result, text, sizeof text));
    EXPECT_THAT(text, ::testing::HasSubstr("(default: "));

    // The mixer of a server that went away fails, and says so.
    HMIXER mixer = nullptr;
    EXPECT_NE(MMSYSERR_NOERROR, mixerOpen(&mixer, mixerGetNumDevs() - 1, 0, 0, 0));
    EXPECT_EQ(nullptr, mixer);
}

TEST_F(AlsaServer, ServerKilledWhileRecordingStopsTheWaveIn) {
    std::string why;
    ASSERT_TRUE(s_server->Start(why)) << why;
    const WAVEFORMATEX format = Pcm(11025, 16, 1);
    Completions recorded;
    HWAVEIN in = nullptr;
    ASSERT_EQ(MMSYSERR_NOERROR,
              waveInOpen(&in, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&InCallback),
                         reinterpret_cast<DWORD_PTR>(&recorded), CALLBACK_FUNCTION));
    Buffers buffers(30, 11025 * 2 / 10);
    for (WAVEHDR& h : buffers.headers) {
        ASSERT_EQ(MMSYSERR_NOERROR, waveInPrepareHeader(in, &h, sizeof h));
        ASSERT_EQ(MMSYSERR_NOERROR, waveInAddBuffer(in, &h, sizeof h));
    }
    ASSERT_EQ(MMSYSERR_NOERROR, waveInStart(in));
    ASSERT_TRUE(recorded.WaitFor(2));
    ASSERT_TRUE(s_server->Kill());
    // Every buffer back at once, no silence made up for the time after.
    ASSERT_TRUE(recorded.WaitFor(30, 3000)) << recorded.doneCount << " of 30";
    EXPECT_EQ(buffers.Order(), recorded.Done());
    WAVEHDR& h = buffers.headers[0];
    const MMRESULT again = waveInAddBuffer(in, &h, sizeof h);
    EXPECT_NE(MMSYSERR_NOERROR, again);
    char text[MAXERRORLENGTH] = {};
    ASSERT_EQ(MMSYSERR_NOERROR, waveInGetErrorText(again, text, sizeof text));
    EXPECT_THAT(text, ::testing::HasSubstr("(default: "));
    EXPECT_EQ(MMSYSERR_NOERROR, waveInReset(in));
    for (WAVEHDR& header : buffers.headers)
        EXPECT_EQ(MMSYSERR_NOERROR, waveInUnprepareHeader(in, &header, sizeof header));
    EXPECT_EQ(MMSYSERR_NOERROR, waveInClose(in));
}
