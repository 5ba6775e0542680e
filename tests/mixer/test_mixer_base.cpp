#include "MixerTestCard.h"
#include "mixer/MixerBase.h"

using namespace mixtest;

namespace {

constexpr DWORD SPEAKERS = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
constexpr DWORD WAVEIN = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
constexpr DWORD MIC = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
constexpr DWORD WAVEOUT = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;

// Speakers with a wave-out source; a wave-in destination without sources.
VirtualCardDesc SmallCard() {
    VirtualLine wave = Line("Wave Out", WAVEOUT, {Volume(1000), Mute(true)});
    VirtualLine speakers = Line("Master Speakers", SPEAKERS, {Volume(20000)}, {wave});
    VirtualLine lonely = Line("Capture", WAVEIN, {});
    return Card({Mixer({speakers, lonely})});
}

TEST(MixerBaseInit, FindsDestinationOrSourceLine) {
    auto card = Install(SmallCard());
    CMixerBase base;
    ASSERT_EQ(base.Init(0, SPEAKERS, NO_SOURCE, MIXERCONTROL_CONTROLTYPE_VOLUME), 1);
    EXPECT_EQ(base.m_lineName, "Master Speakers");
    EXPECT_EQ(base.m_destName, "Master Speakers");
    ASSERT_EQ(base.GetMixerControlValue(), 1);
    EXPECT_EQ(base.m_values.at(0), 20000u);

    ASSERT_EQ(base.Init(0, SPEAKERS, WAVEOUT, MIXERCONTROL_CONTROLTYPE_MUTE), 1);
    EXPECT_EQ(base.m_lineName, "Wave Out");
    EXPECT_EQ(base.m_lineShortName, "Wave Out");
    EXPECT_EQ(base.m_destName, "Master Speakers");
    base.m_values[0] = 0;
    ASSERT_EQ(base.SetMixerControlValue(), 1);
    EXPECT_EQ(Value(*card, 0, WAVEOUT, MIXERCONTROL_CONTROLTYPE_MUTE), 0);
    base.Close();
    EXPECT_EQ(base.m_hMixer, nullptr);
    EXPECT_TRUE(base.m_values.empty());
    EXPECT_EQ(base.m_lineName, "Wave Out"); // names survive Close
    EXPECT_EQ(card->OpenMixerHandles(), 0u);
}

TEST(MixerBaseInit, FailuresLeaveTheObjectClosedAndTheNamesAlone) {
    auto card = Install(SmallCard());
    CMixerBase base;
    ASSERT_EQ(base.Init(0, SPEAKERS, WAVEOUT, MIXERCONTROL_CONTROLTYPE_VOLUME), 1);

    struct Case {
        DWORD dest, source, type;
        const char* error;
        const char* lineName; // only a line search that succeeds renames
    } cases[] = {
        {MIXERLINE_COMPONENTTYPE_DST_HEADPHONES, NO_SOURCE, MIXERCONTROL_CONTROLTYPE_VOLUME,
         "CMixerBase::Init : Warning, the destination line was not found.", "Wave Out"},
        {SPEAKERS, MIC, MIXERCONTROL_CONTROLTYPE_VOLUME,
         "CMixerBase::Init : Warning, the source line not found.", "Wave Out"},
        {WAVEIN, NO_SOURCE, MIXERCONTROL_CONTROLTYPE_VOLUME,
         "CMixerBase::Init : No controls available for this audio line", "Capture"},
        {SPEAKERS, WAVEOUT, MIXERCONTROL_CONTROLTYPE_ONOFF,
         "CMixerBase::Init - mixerGetLineControls failed", "Wave Out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(base.Init(0, c.dest, c.source, c.type), 0);
        EXPECT_EQ(base.m_error, c.error);
        EXPECT_EQ(base.m_lineName, c.lineName);
        EXPECT_EQ(base.m_hMixer, nullptr);
        EXPECT_TRUE(base.m_values.empty());
        EXPECT_EQ(card->OpenMixerHandles(), 0u);
    }

    card->FailCall("mixerOpen", MMSYSERR_ALLOCATED, 1);
    EXPECT_EQ(base.Init(0, SPEAKERS, NO_SOURCE, MIXERCONTROL_CONTROLTYPE_VOLUME), 0);
    EXPECT_TRUE(base.m_openFailed);
    // The text names the device and says what its answer means.
    EXPECT_EQ(base.m_error, "CMixerBase::Init : Could not open mixer device (mixer 0 \"Mix\": "
                            "The specified device is already in use. Wait until it is free, "
                            "and then try again.)");
    EXPECT_EQ(base.Init(1, SPEAKERS, NO_SOURCE, MIXERCONTROL_CONTROLTYPE_VOLUME), 0);
    EXPECT_EQ(base.m_error, "CMixerBase::Init : Could not open mixer device (mixer 1: The "
                            "specified device identifier is out of range.)");
}

TEST(MixerBaseInit, ListControlsGetOneValuePerItemOthersOne) {
    VirtualControl mux = List(MIXERCONTROL_CONTROLTYPE_MUX, {"A", "B", "C"}, {0, 1, 0});
    VirtualControl stereo = Volume(300);
    stereo.flags = 0; // per channel
    stereo.values = {300, 400};
    VirtualLine rec = Line("Rec", WAVEIN, {mux, stereo});
    rec.channels = 2;
    auto card = Install(Card({Mixer({rec})}));

    CMixerBase base;
    ASSERT_EQ(base.Init(0, WAVEIN, NO_SOURCE, MIXERCONTROL_CONTROLTYPE_MUX), 1);
    ASSERT_EQ(base.m_values.size(), 3u);
    EXPECT_EQ(base.m_details.cMultipleItems, 3u);
    ASSERT_EQ(base.GetMixerControlValue(), 1);
    EXPECT_EQ(base.m_values, (std::vector<DWORD>{0, 1, 0}));
    base.m_values = {1, 0, 0};
    base.m_details.paDetails = base.m_values.data();
    ASSERT_EQ(base.SetMixerControlValue(), 1);
    EXPECT_EQ(Values(*card, 0, WAVEIN, MIXERCONTROL_CONTROLTYPE_MUX), (std::vector<LONG>{1, 0, 0}));

    ASSERT_EQ(base.Init(0, WAVEIN, NO_SOURCE, MIXERCONTROL_CONTROLTYPE_VOLUME), 1);
    EXPECT_EQ(base.m_values.size(), 1u);
    EXPECT_EQ(base.m_details.cChannels, 1u);
    ASSERT_EQ(base.GetMixerControlValue(), 1);
    EXPECT_EQ(base.m_values[0], 300u);
}

TEST(MixerBaseInit, CustomUnitsAreRefusedOnceFound) {
    VirtualLine spk = Line("Spk", SPEAKERS, {Control(MIXERCONTROL_CONTROLTYPE_CUSTOM)});
    auto card = Install(Card({Mixer({spk})}));
    CMixerBase base;
    EXPECT_EQ(base.Init(0, SPEAKERS, NO_SOURCE, MIXERCONTROL_CONTROLTYPE_CUSTOM), 0);
    EXPECT_EQ(base.m_error, "CMixerBase::InitMXDetails : Control uses unknown units.");
    EXPECT_EQ(base.m_hMixer, nullptr);
    EXPECT_EQ(card->OpenMixerHandles(), 0u);
}

TEST(MixerBaseValues, DeviceErrorsCarryTheirCodeAndKeepTheObjectOpen) {
    auto card = Install(SmallCard());
    CMixerBase base;
    ASSERT_EQ(base.Init(0, SPEAKERS, NO_SOURCE, MIXERCONTROL_CONTROLTYPE_VOLUME), 1);
    card->FailCall("mixerGetControlDetails", MIXERR_INVALCONTROL, 1);
    card->FailCall("mixerSetControlDetails", MMSYSERR_INVALHANDLE, 1);
    EXPECT_EQ(base.GetMixerControlValue(), 0);
    EXPECT_EQ(base.m_error, "CMixerBase::GetMixerControlValue mixerGetControlDetails error : 1025 "
                            "(mixer 0 \"Mix\": The specified mixer control does not exist.)");
    EXPECT_EQ(base.SetMixerControlValue(), 0);
    EXPECT_EQ(base.m_error, "CMixerBase::SetMixerControlValue mixerSetControlDetails error : 5 "
                            "(mixer 0 \"Mix\": The specified device handle is invalid.)");
    EXPECT_NE(base.m_hMixer, nullptr);
    EXPECT_EQ(base.GetMixerControlValue(), 1);
}

TEST(MixerBaseNames, TablesNameKnownValuesAndFlagOthers) {
    EXPECT_EQ(CMixerBase::GetControlTypeName(0x30050000), "MIXERCONTROL_CONTROLTYPE_PERCENT");
    EXPECT_EQ(CMixerBase::GetControlTypeName(MIXERCONTROL_CONTROLTYPE_BASS_BOOST),
              "---- UNKNOWN CONTROL TYPE ----");
    EXPECT_EQ(CMixerBase::GetLineTypeName(0x100A), "MIXERLINE_COMPONENTTYPE_SRC_ANALOG");
    EXPECT_EQ(CMixerBase::GetLineTypeName(0x100B), "NO_SOURCE");
    EXPECT_EQ(CMixerBase::GetLineTypeName(9), "---- UNKNOWN LINE TYPE ----");
}

} // namespace
