// The wizard's mixer work (mixer/MixerSetup.h, mixer/InfoMix.h) on the
// sound-server backend, on a private PulseAudio daemon and a private PipeWire
// daemon: the mixer walk names the devices as the server does, preparing the
// recording makes the chosen pair the server's defaults, the volumes go both
// ways, and the snapshot puts volumes, mutes and defaults back, also when
// devices came and went since. Every check reads the server with pactl.
#include "WizardServer.h"
#include "mixer/InfoMix.h"
#include "mixer/MixerRun.h"
#include "mixer/MixerSetup.h"
#include "mixer/MixerTools.h"
#include "platform/pulse/PulseMapping.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <unistd.h>

using namespace plat;
using namespace wizardserver;
namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

template <class Server> class WizardMixer : public ::testing::Test, public WizardServer<Server> {
protected:
    void SetUp() override {
        std::string why;
        if (!this->StartServer(why))
            GTEST_SKIP() << "no private sound-server daemon here: " << why;
        m_path = (fs::temp_directory_path() /
                  ("pelmora-wizard-mixer-" + std::to_string(::getpid()) + ".ser"))
                     .string();
    }
    void TearDown() override {
        this->StopServer();
        if (!m_path.empty()) {
            fs::remove(m_path);
            fs::remove(RunRecordPath(m_path));
        }
    }

    // A volume the server shows, as pactl sets it. The mute goes first: the
    // server tells its changes in order, so a test that sees the volume
    // knows the mute arrived too.
    void Set(const std::string& kind, const std::string& name, long volume, bool mute) {
        this->Pactl("set-" + kind + "-mute " + name + (mute ? " 1" : " 0"));
        this->Pactl("set-" + kind + "-volume " + name + " " + std::to_string(volume));
    }
    // The chosen source at 19661 and heard, the chosen sink at 26214 and
    // muted (last: once the wizard reads its volume, every change before it
    // arrived), then the run's snapshot.
    void SnapshotOfTheChosenPair(CMixerSetup& setup) {
        Set("source", Server::kSource, 19661, false);
        Set("sink", Server::kSink, 26214, true);
        ASSERT_TRUE(this->Eventually([&] {
            int v = -1;
            return setup.GetPlaybackVolume(v) == 1 && v == 4000;
        }));
        ASSERT_EQ(1, setup.SaveSnapshot(m_path)) << setup.GetErrorText();
    }
    void ExpectDevice(const std::string& kind, const std::string& name, long volume, bool mute) {
        EXPECT_NEAR(this->Volume(kind, name), volume, 2) << kind << " " << name;
        EXPECT_EQ(this->Muted(kind, name), mute) << kind << " " << name;
    }

    std::string m_path;
};

TYPED_TEST_SUITE(WizardMixer, Servers);

// The count of "(and N more settings that could not be put back)".
int OthersCounted(const std::string& error) {
    const std::size_t at = error.find("(and ");
    return at == std::string::npos ? 0 : std::atoi(error.c_str() + at + 5);
}

std::string Name(const char* text, std::size_t size) {
    return std::string(text, strnlen(text, size));
}

} // namespace

TYPED_TEST(WizardMixer, TheWalkFindsTheChosenDevicesByTheirDescriptions) {
    CMixerInfo info;
    ASSERT_EQ(1, info.FillMixerInfoTree()) << info.m_error;
    ASSERT_EQ(info.m_mixers.size(), 2u) << "the null devices' mixer and the defaults";
    const MixerRecord& devices = info.m_mixers[0];
    EXPECT_EQ(Name(devices.caps.szPname, sizeof devices.caps.szPname), kPulseOtherDevices);

    // The chosen devices come first of their kind, named as the server names
    // them; the other pair is there too, after them.
    std::vector<std::string> speakers, waveIn;
    for (const MixerDestinationRecord& d : devices.destinations) {
        const std::string name = Name(d.line.szName, sizeof d.line.szName);
        if (d.line.dwComponentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS)
            speakers.push_back(name);
        if (d.line.dwComponentType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
            waveIn.push_back(name);
    }
    EXPECT_THAT(speakers, ::testing::ElementsAre(TypeParam::kSinkDescription,
                                                 std::string(kOtherSinkDescription)));
    EXPECT_THAT(waveIn, ::testing::ElementsAre(TypeParam::kSourceDescription,
                                               std::string(kOtherSourceDescription)));

    // The defaults mixer offers every device by its description.
    const MixerRecord& defaults = info.m_mixers[1];
    EXPECT_EQ(Name(defaults.caps.szPname, sizeof defaults.caps.szPname), kPulseDefaults);
    ASSERT_EQ(defaults.destinations.size(), 1u);
    const auto& lists = defaults.destinations[0].listTexts;
    ASSERT_EQ(lists.size(), 2u);
    std::vector<std::string> outputs;
    for (const MIXERCONTROLDETAILS_LISTTEXT& item : lists[0])
        outputs.push_back(Name(item.szName, sizeof item.szName));
    EXPECT_THAT(outputs, ::testing::UnorderedElementsAre(TypeParam::kSinkDescription,
                                                         std::string(kOtherSinkDescription)));
}

TYPED_TEST(WizardMixer, PreparingMakesTheChosenPairTheDefaultsAndUnmutesThem) {
    const std::string sink = TypeParam::kSink, source = TypeParam::kSource;
    this->Set("source", kOtherSource, 13107, true);
    this->Set("sink", kOtherSink, 13107, true);
    this->Set("source", source, 655, true); // 1 %, muted
    this->Set("sink", sink, 30000, true);
    ASSERT_EQ(this->Default("sink"), kOtherSink);
    ASSERT_EQ(this->Default("source"), kOtherSource);

    CMixerSetup setup;
    // The chosen sink was set last: once its volume is seen, all is.
    ASSERT_TRUE(this->Eventually([&] {
        int v = -1;
        return setup.GetPlaybackVolume(v) == 1 && v == 30000 * 10000 / 65536;
    }));
    ASSERT_EQ(1, setup.PrepareRecording()) << setup.GetErrorText();
    this->ExpectDefault("source", source);
    this->ExpectDefault("sink", sink);
    // Unmuted, and a volume too low to hear the voice raised to half.
    this->ExpectDevice("source", source, 0x8000, false);
    ASSERT_EQ(1, setup.PreparePlayback()) << setup.GetErrorText();
    this->ExpectDevice("sink", sink, 30000, false);
    // The other pair is left as it was.
    this->ExpectDevice("source", kOtherSource, 13107, true);
    this->ExpectDevice("sink", kOtherSink, 13107, true);
}

TYPED_TEST(WizardMixer, VolumesGoToTheServerAndComeBackFromIt) {
    const std::string sink = TypeParam::kSink, source = TypeParam::kSource;
    this->Set("sink", kOtherSink, 13107, false);
    CMixerSetup setup;
    ASSERT_EQ(1, setup.SetPlaybackVolume(5000)) << setup.GetErrorText();
    EXPECT_NEAR(this->Volume("sink", sink), 32768, 2);
    EXPECT_NEAR(this->Volume("sink", kOtherSink), 13107, 2) << "only the chosen speakers";
    ASSERT_EQ(1, setup.SetRecordingVolume(7500)) << setup.GetErrorText();
    EXPECT_NEAR(this->Volume("source", source), 49152, 2);

    // What someone else sets is what the wizard reads next.
    this->Pactl("set-sink-volume " + sink + " 16384");
    this->Pactl("set-source-volume " + source + " 6554");
    int v = -1;
    EXPECT_TRUE(this->Eventually([&] { return setup.GetPlaybackVolume(v) == 1 && v == 2500; }))
        << v;
    EXPECT_TRUE(this->Eventually([&] { return setup.GetRecordingVolume(v) == 1 && v == 1000; }))
        << v;
}

TYPED_TEST(WizardMixer, RestorePutsVolumesMutesAndDefaultsBack) {
    const std::string sink = TypeParam::kSink, source = TypeParam::kSource;
    this->Set("sink", kOtherSink, 45875, false);
    this->Set("source", kOtherSource, 36045, true);
    CMixerSetup setup;
    ASSERT_NO_FATAL_FAILURE(this->SnapshotOfTheChosenPair(setup));

    // The wizard's changes, and the user's own at the same time.
    ASSERT_EQ(1, setup.PrepareRecording()) << setup.GetErrorText();
    ASSERT_EQ(1, setup.PreparePlayback()) << setup.GetErrorText();
    ASSERT_EQ(1, setup.SetPlaybackVolume(9000)) << setup.GetErrorText();
    ASSERT_EQ(1, setup.SetRecordingVolume(1000)) << setup.GetErrorText();
    this->Set("sink", kOtherSink, 6554, true);
    this->Set("source", kOtherSource, 6554, false);
    ASSERT_FALSE(this->m_server.LoadNullDevice(false, "pelmora_new_sink", "Pelmora New").empty());
    ASSERT_TRUE(this->Eventually([&] {
        return this->Pactl("list short sinks").find("pelmora_new_sink") != std::string::npos;
    }));
    this->SetDefaults("pelmora_new_sink", sink + ".monitor");

    ASSERT_EQ(1, setup.RestoreSnapshot(this->m_path)) << setup.GetErrorText();
    this->ExpectDevice("sink", sink, 26214, true);
    this->ExpectDevice("source", source, 19661, false);
    this->ExpectDevice("sink", kOtherSink, 45875, false);
    this->ExpectDevice("source", kOtherSource, 36045, true);
    this->ExpectDefault("sink", kOtherSink);
    this->ExpectDefault("source", kOtherSource);
    EXPECT_FALSE(fs::exists(this->m_path));
}

TYPED_TEST(WizardMixer, ADeviceUnloadedBeforeTheRestoreIsSkippedAndNamed) {
    const std::string sink = TypeParam::kSink;
    // A device that goes, between the chosen one and the default.
    const std::string gone = this->m_server.LoadNullDevice(false, "pelmora_gone_sink", "Gone");
    ASSERT_FALSE(gone.empty());
    const std::string late = this->m_server.LoadNullDevice(false, "pelmora_late_sink", "Late");
    ASSERT_FALSE(late.empty());
    ASSERT_TRUE(this->Eventually([&] {
        return this->Pactl("list short sinks").find("pelmora_late_sink") != std::string::npos;
    }));
    this->SetDefault("sink", "pelmora_late_sink");
    this->Set("sink", "pelmora_gone_sink", 20000, false);
    this->Set("sink", "pelmora_late_sink", 40000, true);
    this->Set("sink", sink, 30000, false);
    CMixerSetup setup;
    ASSERT_TRUE(this->Eventually([&] {
        int v = -1;
        return setup.GetPlaybackVolume(v) == 1 && v == 30000 * 10000 / 65536;
    }));
    ASSERT_EQ(1, setup.SaveSnapshot(this->m_path)) << setup.GetErrorText();

    ASSERT_EQ(1, setup.SetPlaybackVolume(9000)) << setup.GetErrorText();
    this->Set("sink", "pelmora_late_sink", 10000, false);
    this->SetDefault("sink", sink);
    this->Pactl("unload-module " + gone);
    // The restore goes by what the wizard's connection has heard: both
    // changes have reached it (on PipeWire a while after pactl sees them).
    ASSERT_TRUE(this->Eventually(
        [&] {
            bool goneListed = false, defaultHeard = false;
            for (const SoundDevice& d : CurrentSoundBackend().ListDevices()) {
                goneListed = goneListed || d.id == "pelmora_gone_sink";
                defaultHeard = defaultHeard || (d.id == sink && d.isDefault);
            }
            return !goneListed && defaultHeard;
        },
        10000));

    EXPECT_EQ(0, setup.RestoreSnapshot(this->m_path));
    const std::string error = setup.GetErrorText();
    // The first failure names the mixer; the others are counted.
    EXPECT_THAT(error, HasSubstr(std::string("\"") + kPulseOtherDevices + "\"")) << error;
    EXPECT_THAT(error, HasSubstr("more settings that could not be put back")) << error;
    // Everything else is back.
    this->ExpectDevice("sink", sink, 30000, false);
    this->ExpectDevice("sink", "pelmora_late_sink", 40000, true);
    this->ExpectDefault("sink", "pelmora_late_sink");
    // The file waits for the device's return.
    EXPECT_TRUE(fs::exists(this->m_path));

    // A default that is gone is named, and the rest still goes back.
    this->Pactl("unload-module " + late);
    ASSERT_TRUE(this->Eventually([&] {
        return this->Pactl("list short sinks").find("pelmora_late_sink") == std::string::npos;
    }));
    ASSERT_EQ(1, setup.SetPlaybackVolume(9000)) << setup.GetErrorText();
    EXPECT_EQ(0, setup.RestoreSnapshot(this->m_path));
    // Four more failures: its volume, mute and wave volume, and the default
    // that names it.
    EXPECT_EQ(OthersCounted(setup.GetErrorText()), OthersCounted(error) + 4)
        << setup.GetErrorText();
    this->ExpectDevice("sink", sink, 30000, false);
}

// A laptop's pair (the daemon's) and a USB headset's: the user chooses the
// headset, and the mixer, the volumes and the devices named follow; the
// headset's microphone unplugged, all of it follows the server's new default.
TYPED_TEST(WizardMixer, TheUsersChoiceTakesTheMixerAlongAndAGoneOneGivesWay) {
    const std::string sink = TypeParam::kSink, source = TypeParam::kSource;
    const std::string usbSink = "alsa_output.usb-Headset-00.analog-stereo";
    const std::string usbSource = "alsa_input.usb-Headset-00.mono-fallback";
    ASSERT_FALSE(this->m_server.LoadNullDevice(false, usbSink, "USB Headset Speakers").empty());
    const std::string usbSourceModule =
        this->m_server.LoadNullDevice(true, usbSource, "USB Headset Microphone");
    ASSERT_FALSE(usbSourceModule.empty());
    SoundBackend& backend = CurrentSoundBackend();
    auto listed = [&](const std::string& id) {
        const std::vector<SoundDevice> list = backend.ListDevices();
        return std::any_of(list.begin(), list.end(),
                           [&](const SoundDevice& d) { return d.id == id; });
    };
    ASSERT_TRUE(this->Eventually([&] { return listed(usbSink) && listed(usbSource); }));
    this->Set("source", usbSource, 13107, false);
    this->Set("source", source, 13107, false);

    std::string error;
    ASSERT_TRUE(backend.ChooseDevice(DeviceDirection::Input, usbSource, error)) << error;
    ASSERT_TRUE(backend.ChooseDevice(DeviceDirection::Output, usbSink, error)) << error;
    std::string microphone, speakers;
    ASSERT_TRUE(backend.ChosenDevices(microphone, speakers));
    EXPECT_EQ(microphone, "USB Headset Microphone");
    EXPECT_EQ(speakers, "USB Headset Speakers");

    // The wave-in destination the mixer calls find is the headset's.
    MIXERLINE line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    ASSERT_EQ(
        mixerGetLineInfo(nullptr, &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE),
        MMSYSERR_NOERROR);
    EXPECT_EQ(Name(line.szName, sizeof line.szName), "USB Headset Microphone");
    CMixerSetup setup;
    ASSERT_EQ(1, setup.SetRecordingVolume(7500)) << setup.GetErrorText();
    ASSERT_EQ(1, setup.SetPlaybackVolume(2500)) << setup.GetErrorText();
    EXPECT_NEAR(this->Volume("source", usbSource), 49152, 2);
    EXPECT_NEAR(this->Volume("sink", usbSink), 16384, 2);
    EXPECT_NEAR(this->Volume("source", source), 13107, 2) << "the laptop's stays";
    int v = -1;
    EXPECT_TRUE(this->Eventually([&] {
        return setup.GetRecordingVolume(v) == 1 && std::abs(v - 7500) <= 1;
    })) << v;

    // Unplugged: the server's new default source is what the wizard works on.
    ASSERT_TRUE(this->m_server.UnloadModule(usbSourceModule));
    ASSERT_TRUE(this->Eventually([&] { return !listed(usbSource); }));
    std::string fallback;
    ASSERT_TRUE(this->Eventually([&] {
        fallback = this->Default("source");
        return fallback != usbSource && !fallback.empty();
    }));
    ASSERT_EQ(fallback.find(".monitor"), std::string::npos) << fallback;
    std::string description;
    for (const SoundDevice& d : backend.ListDevices())
        if (d.id == fallback)
            description = d.description;
    EXPECT_TRUE(this->Eventually([&] {
        return backend.ChosenDevices(microphone, speakers) && microphone == description;
    })) << microphone
        << ", not " << description;
    EXPECT_EQ(speakers, "USB Headset Speakers");
    ASSERT_EQ(1, setup.SetRecordingVolume(2500)) << setup.GetErrorText();
    EXPECT_NEAR(this->Volume("source", fallback), 16384, 2);
}

// Cancel on a server that stopped answering: the slider's writes answer at
// once, the whole restore ends in one port write's wait (half a second)
// with a failure
// (the file stays), and once the server goes on the latest values reach it
// and a second restore puts everything back.
TYPED_TEST(WizardMixer, ARestoreOnAStoppedServerEndsInTimeAndKeepsTheFile) {
    const std::string sink = TypeParam::kSink, source = TypeParam::kSource;
    CMixerSetup setup;
    ASSERT_NO_FATAL_FAILURE(this->SnapshotOfTheChosenPair(setup));
    ASSERT_EQ(1, setup.PrepareRecording()) << setup.GetErrorText();
    ASSERT_EQ(1, setup.PreparePlayback()) << setup.GetErrorText();

    CServerStop stop(this->m_server);
    ASSERT_TRUE(stop.Stop());
    using Clock = std::chrono::steady_clock;
    using Seconds = std::chrono::duration<double>;
    for (int v : {6000, 6500, 7000}) {
        const auto start = Clock::now();
        EXPECT_EQ(1, setup.SetPlaybackVolume(v)) << setup.GetErrorText();
        const double took = Seconds(Clock::now() - start).count();
        std::printf("slider write to the stopped server: %.3f s\n", took);
        EXPECT_LT(took, 0.5);
        int read = -1;
        EXPECT_EQ(1, setup.GetPlaybackVolume(read));
        EXPECT_NEAR(read, v, 1) << "what was written is what is read";
    }

    const auto start = Clock::now();
    EXPECT_EQ(0, setup.RestoreSnapshot(this->m_path));
    const double took = Seconds(Clock::now() - start).count();
    std::printf("restore on the stopped server: %.3f s: %s\n", took, setup.GetErrorText().c_str());
    EXPECT_LT(took, 1.5);
    EXPECT_FALSE(setup.GetErrorText().empty());
    EXPECT_TRUE(fs::exists(this->m_path));
    // The writes answered at once and never answered by the server are told.
    EXPECT_TRUE(this->Eventually([&] {
        return setup.GetAsyncWriteFailure().starts_with(
            "the last asynchronous write failed: the sound server has not answered the ");
    })) << setup.GetAsyncWriteFailure();

    ASSERT_TRUE(stop.GoOn());
    EXPECT_TRUE(this->Eventually([&] { return setup.GetAsyncWriteFailure().empty(); }))
        << setup.GetAsyncWriteFailure();
    // The restore's own volume went as the latest, in place of the slider's.
    EXPECT_TRUE(this->Eventually([&] { return this->Volume("sink", sink) == 26214; }))
        << this->Volume("sink", sink);
    ASSERT_TRUE(this->Eventually([&] { return setup.RestoreSnapshot(this->m_path) == 1; }))
        << setup.GetErrorText();
    this->ExpectDevice("sink", sink, 26214, true);
    this->ExpectDevice("source", source, 19661, false);
    EXPECT_FALSE(fs::exists(this->m_path));
}

// A snapshot, then devices that come and a new default: both the command
// line's restore of the file and the recovery of an ended run put every
// volume, mute and both defaults back, finding the defaults by name.
TYPED_TEST(WizardMixer, TheFileBringsBothDefaultsBackAfterNewDevicesCame) {
    const std::string sink = TypeParam::kSink, source = TypeParam::kSource;
    for (const bool recovery : {false, true}) {
        SCOPED_TRACE(recovery ? "recovery of an ended run" : "--restore-mixer FILE");
        const std::string n = recovery ? "1" : "0";
        CMixerSetup setup;
        ASSERT_NO_FATAL_FAILURE(this->SnapshotOfTheChosenPair(setup));
        ASSERT_EQ(1, setup.PrepareRecording()) << setup.GetErrorText();
        ASSERT_EQ(1, setup.SetPlaybackVolume(9000)) << setup.GetErrorText();
        ASSERT_EQ(1, setup.SetRecordingVolume(1000)) << setup.GetErrorText();
        for (const bool input : {false, true}) {
            const std::string kind = input ? "source" : "sink";
            const std::string name = "pelmora_new_" + kind + n;
            ASSERT_FALSE(this->m_server.LoadNullDevice(input, name, "New " + kind).empty());
            ASSERT_TRUE(this->Eventually([&] {
                return this->Pactl("list short " + kind + "s").find(name) != std::string::npos;
            }));
            this->SetDefault(kind, name);
        }

        std::string error;
        if (recovery) {
            ASSERT_EQ(1, RestoreWaitingSnapshot(this->m_path, error)) << error;
            EXPECT_FALSE(fs::exists(this->m_path));
            EXPECT_FALSE(fs::exists(RunRecordPath(this->m_path)));
        } else {
            std::ostringstream out, err;
            ASSERT_EQ(0, RunRestoreMixer({this->m_path}, out, err)) << err.str();
            EXPECT_TRUE(fs::exists(this->m_path)) << "the file is kept";
        }
        this->ExpectDevice("sink", sink, 26214, true);
        this->ExpectDevice("source", source, 19661, false);
        this->ExpectDefault("sink", kOtherSink);
        this->ExpectDefault("source", kOtherSource);
        setup.KeepChanges(this->m_path);
        fs::remove(this->m_path);
        fs::remove(RunRecordPath(this->m_path));
    }
}

// A device loaded and chosen after the snapshot (as on page 2) is added to
// it before the wizard sets it: Cancel, and the recovery after a crash, put
// its volume and mute back with both defaults.
TYPED_TEST(WizardMixer, ADeviceChosenAfterTheSnapshotIsPutBackToo) {
    for (const bool recovery : {false, true}) {
        SCOPED_TRACE(recovery ? "recovery of an ended run" : "Cancel");
        const std::string late = std::string("pelmora_late_sink") + (recovery ? "1" : "0");
        // Each run starts on the daemon's own pair, as a new wizard would.
        std::string chosen;
        ASSERT_TRUE(
            CurrentSoundBackend().ChooseDevice(DeviceDirection::Output, TypeParam::kSink, chosen))
            << chosen;
        // PipeWire's session manager applies each default a while after the
        // server answered: the next one waits for it, or the late one wins.
        this->ExpectDefault("sink", TypeParam::kSink);
        this->SetDefault("sink", kOtherSink);
        CMixerSetup setup;
        ASSERT_NO_FATAL_FAILURE(this->SnapshotOfTheChosenPair(setup));
        ASSERT_FALSE(this->m_server.LoadNullDevice(false, late, "Late Speakers").empty());
        this->Set("sink", late, 20000, false);
        ASSERT_TRUE(this->Eventually([&] {
            for (const SoundDevice& d : CurrentSoundBackend().ListDevices())
                if (d.id == late)
                    return d.volume == 20000 * 0xFFFF / 0x10000;
            return false;
        }));
        std::string error;
        ASSERT_TRUE(CurrentSoundBackend().ChooseDevice(DeviceDirection::Output, late, error))
            << error;
        ASSERT_EQ(1, setup.AddToSnapshot()) << setup.GetErrorText();
        this->ExpectDefault("sink", late);
        // What the wizard does to the device it now works on.
        this->Set("sink", late, 60000, true);

        if (recovery) {
            ASSERT_EQ(1, RestoreWaitingSnapshot(this->m_path, error)) << error;
            setup.KeepChanges(this->m_path);
        } else {
            ASSERT_EQ(1, setup.RestoreSnapshot(this->m_path)) << setup.GetErrorText();
        }
        this->ExpectDevice("sink", late, 20000, false);
        this->ExpectDevice("sink", TypeParam::kSink, 26214, true);
        this->ExpectDefault("sink", kOtherSink);
        this->ExpectDefault("source", kOtherSource);
        EXPECT_FALSE(fs::exists(this->m_path));
    }
}

// A file as the code before the names wrote it (the same bytes, no names
// beside it) still puts the volumes back; a default list whose devices
// changed since is named, and the rest still comes back.
TYPED_TEST(WizardMixer, AFileWithoutItsNamesStillRestores) {
    const std::string sink = TypeParam::kSink, source = TypeParam::kSource;
    this->Set("source", source, 19661, false);
    this->Set("sink", sink, 26214, true);
    CMixerSetup setup;
    ASSERT_TRUE(this->Eventually([&] {
        int v = -1;
        return setup.GetPlaybackVolume(v) == 1 && v == 4000;
    }));
    ASSERT_EQ(1, setup.WriteSnapshotFile(this->m_path)) << setup.GetErrorText();
    ASSERT_TRUE(fs::remove(RunRecordPath(this->m_path)));

    std::ostringstream out, err;
    ASSERT_EQ(1, setup.PrepareRecording()) << setup.GetErrorText();
    ASSERT_EQ(1, setup.SetPlaybackVolume(9000)) << setup.GetErrorText();
    ASSERT_EQ(0, RunRestoreMixer({this->m_path}, out, err)) << err.str();
    this->ExpectDevice("sink", sink, 26214, true);
    this->ExpectDefault("sink", kOtherSink);
    this->ExpectDefault("source", kOtherSource);

    ASSERT_FALSE(this->m_server.LoadNullDevice(false, "pelmora_new_sink", "New Sink").empty());
    ASSERT_TRUE(this->Eventually([&] {
        return this->Pactl("list short sinks").find("pelmora_new_sink") != std::string::npos;
    }));
    this->SetDefault("sink", "pelmora_new_sink");
    ASSERT_EQ(1, setup.SetPlaybackVolume(9000)) << setup.GetErrorText();
    EXPECT_EQ(1, RunRestoreMixer({this->m_path}, out, err));
    EXPECT_THAT(err.str(), HasSubstr("changed since the snapshot"));
    EXPECT_THAT(err.str(), HasSubstr(std::string("\"") + kPulseDefaults + "\""));
    EXPECT_THAT(err.str(), ::testing::Not(HasSubstr("invalid parameter")));
    this->ExpectDevice("sink", sink, 26214, true);
    this->ExpectDevice("source", source, 19661, false);
}
