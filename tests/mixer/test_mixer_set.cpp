#include "MixerTestCard.h"

#include "mixer/MixerSet.h"
#include "mixer/MixerSetup.h"
#include "mixer/VolumeScale.h"
#include <gmock/gmock.h>

using namespace mixtest;
using ::testing::StartsWith;

namespace {

constexpr DWORD SPEAKERS = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
constexpr DWORD WAVEIN = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
constexpr DWORD MIC = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
constexpr DWORD LINEIN = MIXERLINE_COMPONENTTYPE_SRC_LINE;
constexpr DWORD CD = MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
constexpr DWORD WAVEOUT = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
constexpr DWORD VOLUME = MIXERCONTROL_CONTROLTYPE_VOLUME;
constexpr DWORD MUTE = MIXERCONTROL_CONTROLTYPE_MUTE;

// A recording destination whose list control (of `listType`) names its
// sources, with the line-in selected.
VirtualLine Recording(DWORD listType, std::vector<VirtualControl> micControls = {Volume(16384)},
                      VirtualControl master = Volume(32768)) {
    VirtualControl list = List(listType, {"Line In", "Microphone", "CD Audio"}, {1, 0, 1});
    VirtualLine mic = Line("Microphone", MIC, std::move(micControls));
    VirtualLine line = Line("Line In", LINEIN, {Volume(100)});
    VirtualLine cd = Line("CD Audio", CD, {Volume(100)});
    return Line("Recording Control", WAVEIN, {master, Mute(true), list}, {line, mic, cd});
}

VirtualLine Speakers(LONG master = 40000,
                     std::vector<VirtualControl> waveControls = {Volume(30000), Mute(true)}) {
    VirtualLine wave = Line("Wave Out", WAVEOUT, std::move(waveControls));
    return Line("Speakers", SPEAKERS, {Volume(master), Mute(true)}, {wave});
}

TEST(VolumeScale, TruncatesBothWaysOnUnsignedBounds) {
    EXPECT_EQ(VolumeToRaw(5000, 0, 65535), 32767u);
    EXPECT_EQ(RawToVolume(32767, 0, 65535), 4999);
    EXPECT_EQ(VolumeToRaw(0, 100, 200), 100u);
    EXPECT_EQ(VolumeToRaw(10000, 100, 200), 200u);
    EXPECT_EQ(VolumeToRaw(20000, 100, 200), 200u); // beyond the scale: the maximum
    EXPECT_EQ(RawToVolume(50, 100, 200), 0);       // out of bounds: clamped
    EXPECT_EQ(RawToVolume(250, 100, 200), 10000);
    // A wide range does not wrap around.
    EXPECT_EQ(VolumeToRaw(10000, 0, 0xFFFFFFFF), 0xFFFFFFFFu);
    EXPECT_EQ(RawToVolume(0x80000000u, 0, 0xFFFFFFFF), 5000);
    EXPECT_FALSE(VolumeScalable(7, 7));
}

TEST(MixerSetVolume, WritesAndReadsOnTheScale) {
    auto card = Install(Card({Mixer({Speakers()})}));
    CMixerSet set;
    ASSERT_EQ(set.SetVolume(false, 5000, NO_SOURCE), 1);
    EXPECT_EQ(Value(*card, 0, SPEAKERS, VOLUME), 32767);
    int v = 0;
    ASSERT_EQ(set.GetVolume(false, v, NO_SOURCE), 1);
    EXPECT_EQ(v, 4999);

    // No such line anywhere: success, nothing changed, volume -1.
    ASSERT_EQ(set.SetVolume(false, 1234, CD), 1);
    ASSERT_EQ(set.GetVolume(false, v, CD), 1);
    EXPECT_EQ(v, -1);
    EXPECT_EQ(card->OpenMixerHandles(), 0u);
}

TEST(MixerSetVolume, TwoMixersAreBothWrittenAndTheLastIsRead) {
    auto card = Install(Card({Mixer({Speakers(1000)}, "One"), Mixer({Speakers(60000)}, "Two")}));
    CMixerSet set;
    int v = 0;
    ASSERT_EQ(set.GetVolume(false, v, NO_SOURCE), 1);
    EXPECT_EQ(v, RawToVolume(60000, 0, 65535));
    ASSERT_EQ(set.SetVolume(false, 10000, NO_SOURCE), 1);
    EXPECT_EQ(Value(*card, 0, SPEAKERS, VOLUME), 65535);
    EXPECT_EQ(Value(*card, 1, SPEAKERS, VOLUME), 65535);
}

TEST(MixerSetVolume, AControlWithoutRangeCountsAsMissing) {
    auto card = Install(Card({Mixer({Speakers(5, {Volume(5, 5, 5)})})}));
    CMixerSet set;
    int v = 0;
    ASSERT_EQ(set.GetVolume(false, v, WAVEOUT), 1);
    EXPECT_EQ(v, -1);
    ASSERT_EQ(set.SetVolume(false, 8000, WAVEOUT), 1);
    EXPECT_EQ(Value(*card, 0, WAVEOUT, VOLUME), 5);
}

// Nothing was read or written when not one mixer of the machine opened: the
// calls say so with the device's error instead of reporting success.
TEST(MixerSetVolume, NoMixerThatOpensIsAFailureWithTheDevicesError) {
    auto card = Install(
        Card({Mixer({Speakers(), Recording(MIXERCONTROL_CONTROLTYPE_MUX)}), Mixer({Speakers()})}));
    card->FailCall("mixerOpen", MMSYSERR_NOTENABLED);
    TraceRecorder trace;
    CMixerSet set;
    EXPECT_EQ(set.SetVolume(false, 100, NO_SOURCE), 0);
    EXPECT_EQ(set.m_error, "CMixerBase::Init : Could not open mixer device (mixer 1 \"Mix\": The "
                           "sound driver failed to load or initialize.)");
    EXPECT_TRUE(trace.Has(2, "MixerSet", "MixerSet:SetVolume : " + set.m_error));
    int v = 0;
    EXPECT_EQ(set.GetVolume(false, v, NO_SOURCE), 0);
    EXPECT_EQ(v, -1);
    EXPECT_EQ(set.SelectSource(true, MIC), 0);
    EXPECT_THAT(set.m_error, StartsWith("CMixerBase::Init : Could not open mixer device (mixer"));

    // One mixer that opens is enough: the other one's failure is only skipped.
    card->ClearFailures();
    card->FailCall("mixerOpen", MMSYSERR_NOTENABLED, -1, 1);
    EXPECT_EQ(set.SetVolume(false, 100, NO_SOURCE), 1);
    EXPECT_EQ(set.GetVolume(false, v, NO_SOURCE), 1);
    EXPECT_EQ(set.SelectSource(true, MIC), 1) << set.m_error;
}

TEST(MixerSetVolume, AFailingWriteOrReadStopsWithTheDeviceText) {
    auto card = Install(Card({Mixer({Speakers()}), Mixer({Speakers()})}));
    TraceRecorder trace;
    CMixerSet set;
    card->FailCall("mixerSetControlDetails", MMSYSERR_ERROR, 1);
    EXPECT_EQ(set.SetVolume(false, 100, NO_SOURCE), 0);
    EXPECT_EQ(set.m_error, "CMixerBase::SetMixerControlValue mixerSetControlDetails error : 1 "
                           "(mixer 0 \"Mix\": An unspecified error occurred in the sound "
                           "driver.)");
    EXPECT_TRUE(trace.Has(2, "MixerSet", "MixerSet:SetVolume : " + set.m_error));
    EXPECT_EQ(Value(*card, 1, SPEAKERS, VOLUME), 40000); // the walk stopped at mixer 0

    card->FailCall("mixerGetControlDetails", MMSYSERR_ERROR, 1);
    int v = 0;
    EXPECT_EQ(set.GetVolume(false, v, NO_SOURCE), 0);
    EXPECT_TRUE(trace.Has(2, "MixerSet", "MixerSet:GetVolume : " + set.m_error));
    EXPECT_EQ(card->OpenMixerHandles(), 0u);
}

TEST(MixerSelectSource, MuxNamedLikeTheSourcesSelectsExactlyTheMicrophone) {
    for (DWORD listType :
         {MIXERCONTROL_CONTROLTYPE_MUX, MIXERCONTROL_CONTROLTYPE_MIXER,
          MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT, MIXERCONTROL_CONTROLTYPE_SINGLESELECT}) {
        SCOPED_TRACE(CMixerBase::GetControlTypeName(listType));
        auto card = Install(Card({Mixer({Speakers(), Recording(listType)})}));
        TraceRecorder trace;
        CMixerSet set;
        ASSERT_EQ(set.SelectSource(true, MIC), 1);
        EXPECT_EQ(Values(*card, 0, WAVEIN, listType), (std::vector<LONG>{0, 1, 0}));
        EXPECT_EQ(Value(*card, 0, WAVEIN, MUTE), 0);
        // Playback is untouched by a recording selection.
        EXPECT_EQ(Value(*card, 0, SPEAKERS, MUTE), 1);
        EXPECT_TRUE(trace.Has(0, "MixerSet",
                              "Sélection source en entrée MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE"));
        EXPECT_TRUE(trace.Has(0, "MixerSet",
                              "MixerSet:DestLine : sélection d'une ligne comme source Mixer n°0"));
        EXPECT_EQ(card->OpenMixerHandles(), 0u);
    }
}

TEST(MixerSelectSource, PlaybackUnmutesDestinationAndWaveOut) {
    auto card = Install(Card({Mixer({Speakers(), Recording(MIXERCONTROL_CONTROLTYPE_MUX)})}));
    CMixerSet set;
    ASSERT_EQ(set.SelectSource(false, WAVEOUT), 1);
    EXPECT_EQ(Value(*card, 0, SPEAKERS, MUTE), 0);
    EXPECT_EQ(Value(*card, 0, WAVEOUT, MUTE), 0);
    EXPECT_EQ(Value(*card, 0, WAVEIN, MUTE), 1);
}

TEST(MixerSelectSource, FailuresAndTheirTexts) {
    {
        auto card = Install(Card({}));
        TraceRecorder trace;
        CMixerSet set;
        EXPECT_EQ(set.SelectSource(true, MIC), 0);
        EXPECT_EQ(set.m_error, "No mixer device present");
        EXPECT_TRUE(trace.Has(2, "MixerSet", "MixerSet:SelectSource : No mixer device present"));
    }
    {
        // Nothing writable: no mute, no on/off, no list control.
        auto card = Install(Card({Mixer({Line("Speakers", SPEAKERS, {Volume(1)})})}));
        CMixerSet set;
        EXPECT_EQ(set.SelectSource(false, WAVEOUT), 0);
        EXPECT_EQ(set.m_error, "Source not Set !");
    }
    {
        // A list-shaped mute stops everything at once.
        VirtualControl badMute = List(MUTE, {"a", "b"}, {1, 1});
        auto card =
            Install(Card({Mixer({Line("Speakers", SPEAKERS, {badMute})}), Mixer({Speakers()})}));
        TraceRecorder trace;
        CMixerSet set;
        EXPECT_EQ(set.SelectSource(false, WAVEOUT), 0);
        EXPECT_EQ(set.m_error, "Bad control Type");
        EXPECT_TRUE(
            trace.Has(2, "MixerSet", "MixerSet:SelectSource : CONTROLTYPE_MUTE Bad control Type"));
        EXPECT_EQ(Value(*card, 1, SPEAKERS, MUTE), 1);
        EXPECT_EQ(card->OpenMixerHandles(), 0u);
    }
    {
        auto card = Install(Card({Mixer({Recording(MIXERCONTROL_CONTROLTYPE_MUX)})}));
        card->FailCall("mixerGetControlDetails", MIXERR_INVALCONTROL, 1);
        CMixerSet set;
        EXPECT_EQ(set.SelectSource(true, MIC), 0);
        EXPECT_EQ(set.m_error, "SelectSource : mixerGetControlDetails failed : 1025 (mixer 0 "
                               "\"Mix\": The specified mixer control does not exist.)");
        EXPECT_EQ(Value(*card, 0, WAVEIN, MUTE), 0); // earlier writes are kept
        EXPECT_EQ(card->OpenMixerHandles(), 0u);
    }
}

// A card whose drivers report list controls without the MULTIPLE flag (their
// item count stays).
class NoMultipleFlagCard : public CVirtualCard {
public:
    using CVirtualCard::CVirtualCard;
    MMRESULT mixerGetLineControls(HMIXEROBJ obj, MIXERLINECONTROLSA* request,
                                  DWORD flags) override {
        MMRESULT r = CVirtualCard::mixerGetLineControls(obj, request, flags);
        if (r == MMSYSERR_NOERROR) {
            for (DWORD i = 0; i < request->cControls; ++i)
                request->pamxctrl[i].fdwControl &= ~MIXERCONTROL_CONTROLF_MULTIPLE;
        }
        return r;
    }
};

TEST(MixerSelectSource, ListWithoutMultipleFlagIsLeftAlone) {
    auto card = std::make_shared<NoMultipleFlagCard>(
        Card({Mixer({Recording(MIXERCONTROL_CONTROLTYPE_MUX)})}), CVirtualCard::Clock::Manual);
    InstallSoundBackend(card);
    CMixerSet set;
    ASSERT_EQ(set.SelectSource(true, MIC), 1); // the destination's mute was written
    EXPECT_EQ(card->CallCount("mixerSetControlDetails"), 1);
    EXPECT_EQ(Values(*card, 0, WAVEIN, MIXERCONTROL_CONTROLTYPE_MUX), (std::vector<LONG>{1, 0, 1}));
}

// ---- CMixerSetup --------------------------------------------------------

TEST(MixerSetupPrepare, NoMixerFailsAndLeavesEveryFlagFalse) {
    auto card = Install(Card({}));
    CMixerSetup setup;
    EXPECT_EQ(setup.PrepareRecording(), 0);
    EXPECT_EQ(setup.PreparePlayback(), 0);
    EXPECT_EQ(setup.GetErrorText(), "No mixer device present");
    EXPECT_FALSE(setup.m_recSourceSet || setup.m_micHasVolume || setup.m_playSourceSet ||
                 setup.m_waveOutHasVolume);
    int v = 7;
    EXPECT_EQ(setup.GetPlaybackVolume(v), 0);
    EXPECT_EQ(v, -1);
}

TEST(MixerSetupPrepare, LowMasterIsRaisedUserMicrophoneKept) {
    // Controls of 0..10000, so the scale maps one to one.
    auto card = Install(Card({Mixer({Recording(
        MIXERCONTROL_CONTROLTYPE_MUX, {Volume(8000, 0, 10000)}, Volume(300, 0, 10000))})}));
    CMixerSetup setup;
    ASSERT_EQ(setup.PrepareRecording(), 1);
    EXPECT_TRUE(setup.m_recSourceSet);
    EXPECT_TRUE(setup.m_micHasVolume);
    EXPECT_EQ(Value(*card, 0, WAVEIN, VOLUME), 5000);
    EXPECT_EQ(Value(*card, 0, MIC, VOLUME, WAVEIN), 8000);
    int v = 0;
    ASSERT_EQ(setup.GetRecordingVolume(v), 1);
    EXPECT_EQ(v, 8000);
    // The recording volume now goes to the microphone line.
    ASSERT_EQ(setup.SetRecordingVolume(2500), 1);
    EXPECT_EQ(Value(*card, 0, MIC, VOLUME, WAVEIN), 2500);
    EXPECT_EQ(Value(*card, 0, WAVEIN, VOLUME), 5000);
}

TEST(MixerSetupPrepare, MicrophoneBelowFivePercentIsRaised) {
    for (int start : {499, 500}) {
        SCOPED_TRACE(start);
        auto card = Install(Card({Mixer(
            {Recording(MIXERCONTROL_CONTROLTYPE_MUX, {Volume(start, 0, 10000)}, Volume(60000))})}));
        CMixerSetup setup;
        ASSERT_EQ(setup.PrepareRecording(), 1);
        EXPECT_EQ(Value(*card, 0, MIC, VOLUME, WAVEIN), start < 500 ? 5000 : start);
        EXPECT_EQ(Value(*card, 0, WAVEIN, VOLUME), 60000);
    }
}

TEST(MixerSetupPrepare, MicrophoneWithoutVolumeUsesTheWaveInMaster) {
    auto card = Install(
        Card({Mixer({Recording(MIXERCONTROL_CONTROLTYPE_MUX, {Mute(true)}, Volume(100))})}));
    CMixerSetup setup;
    ASSERT_EQ(setup.PrepareRecording(), 1);
    EXPECT_TRUE(setup.m_recSourceSet);
    EXPECT_FALSE(setup.m_micHasVolume);
    EXPECT_EQ(Value(*card, 0, WAVEIN, VOLUME), 32767); // 100 raw is below 5 %: raised
    ASSERT_EQ(setup.SetRecordingVolume(10000), 1);
    EXPECT_EQ(Value(*card, 0, WAVEIN, VOLUME), 65535);
    int v = 0;
    ASSERT_EQ(setup.GetRecordingVolume(v), 1);
    EXPECT_EQ(v, 10000);
}

TEST(MixerSetupPrepare, PlaybackChoosesTheWaveOutLineOnceItIsSet) {
    auto card = Install(Card({Mixer({Speakers(20000, {Volume(100), Mute(true)})})}));
    CMixerSetup setup;
    // Before preparing, volumes go to the speakers master.
    ASSERT_EQ(setup.SetPlaybackVolume(10000), 1);
    EXPECT_EQ(Value(*card, 0, SPEAKERS, VOLUME), 65535);

    ASSERT_EQ(setup.PreparePlayback(), 1);
    EXPECT_TRUE(setup.m_playSourceSet);
    EXPECT_TRUE(setup.m_waveOutHasVolume);
    EXPECT_EQ(Value(*card, 0, WAVEOUT, VOLUME), 32767);
    ASSERT_EQ(setup.SetPlaybackVolume(0), 1);
    EXPECT_EQ(Value(*card, 0, WAVEOUT, VOLUME), 0);
    EXPECT_EQ(Value(*card, 0, SPEAKERS, VOLUME), 65535);
}

TEST(MixerSetupPrepare, SourceSelectionFailureIsReported) {
    auto card = Install(Card({Mixer({Line("Speakers", SPEAKERS, {Volume(1)})})}));
    CMixerSetup setup;
    EXPECT_EQ(setup.PreparePlayback(), 0);
    EXPECT_EQ(setup.GetErrorText(), "Source not Set !");
    EXPECT_FALSE(setup.m_playSourceSet);
}

// What a preparation changed, for the user to read: each line it unmuted or
// whose volume it moved, by its own and its destination's names.
TEST(MixerSetupPrepare, TheChangesAreNotedLineByLine) {
    auto card =
        Install(Card({Mixer({Recording(MIXERCONTROL_CONTROLTYPE_MUX,
                                       {Volume(300, 0, 10000), Mute(true)}, Volume(200, 0, 10000)),
                             Speakers(40000, {Volume(30000), Mute(true)})})}));
    CMixerSetup setup;
    ASSERT_EQ(setup.PrepareRecording(), 1) << setup.GetErrorText();
    const auto& changes = setup.GetPreparedChanges();
    ASSERT_EQ(changes.size(), 2u);
    // The destination's mute, then its volume raised; then the microphone's.
    EXPECT_TRUE(changes[0].recording);
    EXPECT_EQ(changes[0].change.destination, "Recording Control");
    EXPECT_EQ(changes[0].change.line, "Recording Control");
    EXPECT_TRUE(changes[0].change.unmuted);
    EXPECT_EQ(changes[0].change.volumeBefore, 200);
    EXPECT_EQ(changes[0].change.volumeAfter, 5000);
    EXPECT_EQ(changes[1].change.line, "Microphone");
    EXPECT_TRUE(changes[1].change.unmuted);
    EXPECT_EQ(changes[1].change.volumeBefore, 300);
    EXPECT_EQ(changes[1].change.volumeAfter, 5000);

    // Playback: the speakers were muted, the wave line muted; no volume
    // below 5 %. The recording's changes stay beside them.
    ASSERT_EQ(setup.PreparePlayback(), 1) << setup.GetErrorText();
    ASSERT_EQ(changes.size(), 4u);
    EXPECT_FALSE(changes[2].recording);
    EXPECT_EQ(changes[2].change.line, "Speakers");
    EXPECT_TRUE(changes[2].change.unmuted);
    EXPECT_EQ(changes[2].change.volumeBefore, -1);
    EXPECT_EQ(changes[3].change.line, "Wave Out");
    EXPECT_EQ(changes[3].change.destination, "Speakers");

    // A second run finds nothing left to change, and says so.
    ASSERT_EQ(setup.PrepareRecording(), 1);
    ASSERT_EQ(setup.PreparePlayback(), 1);
    EXPECT_TRUE(setup.GetPreparedChanges().empty());
}

TEST(MixerSetupPrepare, AFailureAfterAChangeKeepsItOnRecord) {
    // The speakers unmute, then their volume, too low, cannot be written.
    VirtualControl locked = Volume(1);
    locked.flags |= MIXERCONTROL_CONTROLF_DISABLED;
    auto card = Install(Card({Mixer({Line("Speakers", SPEAKERS, {locked, Mute(true)})})}));
    CMixerSetup setup;
    ASSERT_EQ(setup.PreparePlayback(), 0);
    ASSERT_EQ(setup.GetPreparedChanges().size(), 1u);
    EXPECT_TRUE(setup.GetPreparedChanges()[0].change.unmuted);
    EXPECT_EQ(setup.GetPreparedChanges()[0].change.volumeBefore, -1);
    EXPECT_EQ(Value(*card, 0, SPEAKERS, MUTE), 0);
}

} // namespace
