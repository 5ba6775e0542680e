// The mapping of ALSA element lists onto mixer lines and controls, and the
// mixer calls answered from it, on the element lists of typical cards.
#include "platform/alsa/AlsaElement.h"
#include "platform/device/ModelMixer.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

using namespace plat;

namespace {

AlsaElement Playback(const char* name, long max, bool sw = true) {
    AlsaElement e;
    e.name = name;
    e.playbackVolume = true;
    e.playbackRange = {0, max};
    e.playbackSwitch = sw;
    e.playbackChannels = 2;
    return e;
}

AlsaElement WithCaptureSwitch(AlsaElement e, bool exclusive) {
    e.captureSwitch = true;
    e.captureSwitchExclusive = exclusive;
    e.captureChannels = 2;
    return e;
}

AlsaElement Capture(const char* name, long max, bool sw) {
    AlsaElement e;
    e.name = name;
    e.captureVolume = true;
    e.captureRange = {0, max};
    e.captureSwitch = sw;
    e.captureChannels = 2;
    return e;
}

std::vector<AlsaElement> HdaCodec() {
    AlsaElement boost;
    boost.name = "Mic Boost";
    boost.commonVolume = true;
    AlsaElement source;
    source.name = "Input Source";
    source.enumItems = {"Mic", "Line", "CD"};
    source.enumCapture = true;
    return {Playback("Master", 87),
            Playback("Headphone", 87),
            Playback("PCM", 255, false),
            Playback("Mic", 31),
            boost,
            Playback("Line", 31),
            Playback("CD", 31),
            Capture("Capture", 63, true),
            source};
}

std::vector<AlsaElement> Ac97() {
    return {Playback("Master", 31),
            Playback("PCM", 31),
            WithCaptureSwitch(Playback("Mic", 31), true),
            WithCaptureSwitch(Playback("Line", 31), true),
            WithCaptureSwitch(Playback("CD", 31), true),
            Capture("Capture", 15, true)};
}

std::vector<AlsaElement> UsbHeadset() {
    return {Playback("PCM", 44), Capture("Mic", 16, true)};
}

// Element values in memory, with every write logged in order.
class CFakeElements : public CElementAccess {
public:
    std::map<std::pair<std::size_t, ElementValue>, long> values;
    std::vector<std::pair<std::size_t, long>> writes;
    int failWith = 0;

    int Get(std::size_t element, ElementValue what, long& value) override {
        if (failWith)
            return failWith;
        value = values[{element, what}];
        return 0;
    }
    int Set(std::size_t element, ElementValue what, long value) override {
        if (failWith)
            return failWith;
        values[{element, what}] = value;
        writes.emplace_back(element, value);
        return 0;
    }
};

struct Card {
    std::vector<AlsaElement> elements;
    CFakeElements* fake;
    std::unique_ptr<CModelMixer> mixer;

    explicit Card(std::vector<AlsaElement> list) : elements(std::move(list)) {
        auto access = std::make_unique<CFakeElements>();
        fake = access.get();
        mixer = std::make_unique<CModelMixer>("Card", BuildMixerModel(elements), std::move(access));
    }
    std::size_t Element(const std::string& name) const {
        for (std::size_t i = 0; i < elements.size(); ++i)
            if (elements[i].name == name)
                return i;
        ADD_FAILURE() << "no element " << name;
        return 0;
    }
    const ModelLine& Dest(DWORD type) const {
        for (const ModelLine& d : mixer->Model().destinations)
            if (d.componentType == type)
                return d;
        throw std::runtime_error("no destination");
    }
    const ModelControl& ListControl(const ModelLine& line) const {
        for (const ModelControl& c : line.controls)
            if (!c.items.empty())
                return c;
        throw std::runtime_error("no list control");
    }
    MMRESULT Write(const ModelControl& c, std::vector<DWORD> values) {
        MIXERCONTROLDETAILS d{sizeof d,      c.id,         1, c.items.empty() ? 0 : c.ItemCount(),
                              sizeof(DWORD), values.data()};
        return mixer->SetControlDetails(&d, MIXER_SETCONTROLDETAILSF_VALUE);
    }
    std::vector<DWORD> Read(const ModelControl& c) {
        std::vector<DWORD> values(c.items.empty() ? 1 : c.items.size(), 0xDEAD);
        MIXERCONTROLDETAILS d{sizeof d,      c.id,         1, c.items.empty() ? 0 : c.ItemCount(),
                              sizeof(DWORD), values.data()};
        EXPECT_EQ(MMSYSERR_NOERROR, mixer->GetControlDetails(&d, MIXER_GETCONTROLDETAILSF_VALUE));
        return values;
    }
};

std::vector<std::string> Names(const std::vector<ModelLine>& lines) {
    std::vector<std::string> names;
    for (const ModelLine& l : lines)
        names.push_back(l.name);
    return names;
}

std::vector<DWORD> Types(const std::vector<ModelLine>& lines) {
    std::vector<DWORD> types;
    for (const ModelLine& l : lines)
        types.push_back(l.componentType);
    return types;
}

std::vector<DWORD> ControlTypes(const ModelLine& line) {
    std::vector<DWORD> types;
    for (const ModelControl& c : line.controls)
        types.push_back(c.type);
    return types;
}

constexpr DWORD VOL = MIXERCONTROL_CONTROLTYPE_VOLUME;
constexpr DWORD MUTE = MIXERCONTROL_CONTROLTYPE_MUTE;

} // namespace

TEST(AlsaMapping, HdaCodecLinesControlsAndEnumeratedSource) {
    Card card(HdaCodec());
    const auto& dests = card.mixer->Model().destinations;
    ASSERT_EQ(2u, dests.size());

    const ModelLine& speakers = card.Dest(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    EXPECT_EQ("Master", speakers.name);
    EXPECT_EQ((std::vector<DWORD>{VOL, MUTE}), ControlTypes(speakers));
    // "Mic Boost" is a gain of no direction, not a line.
    EXPECT_EQ((std::vector<std::string>{"Headphone", "PCM", "Mic", "Line", "CD"}),
              Names(speakers.sources));
    EXPECT_EQ((std::vector<DWORD>{
                  MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT,
                  MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXERLINE_COMPONENTTYPE_SRC_LINE,
                  MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC}),
              Types(speakers.sources));
    EXPECT_EQ((std::vector<DWORD>{VOL}), ControlTypes(speakers.sources[1])); // PCM has no switch

    const ModelLine& waveIn = card.Dest(MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    EXPECT_EQ("Capture", waveIn.name);
    EXPECT_EQ((std::vector<DWORD>{VOL, MUTE, MIXERCONTROL_CONTROLTYPE_MUX}), ControlTypes(waveIn));
    EXPECT_EQ((std::vector<std::string>{"Mic", "Line", "CD"}), Names(waveIn.sources));
    EXPECT_EQ(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, waveIn.sources[0].componentType);
    // The microphone's playback volume is its loop-back to the speakers,
    // not a recording level: the recording source carries no volume.
    EXPECT_TRUE(waveIn.sources[0].controls.empty());

    const ModelControl& mux = card.ListControl(waveIn);
    EXPECT_EQ((std::vector<std::string>{"Mic", "Line", "CD"}), mux.items);
    EXPECT_EQ(MIXERCONTROL_CONTROLF_MULTIPLE | MIXERCONTROL_CONTROLF_UNIFORM, mux.flags);

    // The MUX chooses the enumeration item; a second choice is refused.
    const std::size_t source = card.Element("Input Source");
    EXPECT_EQ(MMSYSERR_NOERROR, card.Write(mux, {0, 0, 1}));
    EXPECT_EQ(2, (card.fake->values[{source, ElementValue::EnumItem}]));
    EXPECT_EQ((std::vector<DWORD>{0, 0, 1}), card.Read(mux));
    EXPECT_EQ(MIXERR_INVALVALUE, card.Write(mux, {1, 1, 0}));
    EXPECT_EQ(MIXERR_INVALVALUE, card.Write(mux, {0, 0, 0}));
    EXPECT_EQ(2, (card.fake->values[{source, ElementValue::EnumItem}]));
}

TEST(AlsaMapping, Ac97ExclusiveCaptureSwitchesMakeAMux) {
    Card card(Ac97());
    const ModelLine& waveIn = card.Dest(MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    EXPECT_EQ((std::vector<std::string>{"Mic", "Line", "CD"}), Names(waveIn.sources));
    const ModelControl& mux = card.ListControl(waveIn);
    EXPECT_EQ(MIXERCONTROL_CONTROLTYPE_MUX, mux.type);

    const std::size_t mic = card.Element("Mic"), line = card.Element("Line"),
                      cd = card.Element("CD");
    card.fake->values[{mic, ElementValue::CaptureSwitch}] = 1;
    EXPECT_EQ((std::vector<DWORD>{1, 0, 0}), card.Read(mux));

    card.fake->writes.clear();
    ASSERT_EQ(MMSYSERR_NOERROR, card.Write(mux, {0, 0, 1}));
    // Every other switch goes off before the chosen one goes on.
    EXPECT_EQ((std::vector<std::pair<std::size_t, long>>{{mic, 0}, {line, 0}, {cd, 1}}),
              card.fake->writes);
    EXPECT_EQ((std::vector<DWORD>{0, 0, 1}), card.Read(mux));
    EXPECT_EQ(MIXERR_INVALVALUE, card.Write(mux, {1, 0, 1}));
    EXPECT_EQ((std::vector<DWORD>{0, 0, 1}), card.Read(mux));
}

TEST(AlsaMapping, UsbHeadsetRecordsThroughAMixerWithoutCaptureElement) {
    Card card(UsbHeadset());
    const ModelLine& speakers = card.Dest(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    EXPECT_EQ("PCM", speakers.name);
    EXPECT_TRUE(speakers.sources.empty());

    const ModelLine& waveIn = card.Dest(MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    EXPECT_EQ((std::vector<DWORD>{MIXERCONTROL_CONTROLTYPE_MIXER}), ControlTypes(waveIn));
    ASSERT_EQ(1u, waveIn.sources.size());
    EXPECT_EQ(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, waveIn.sources[0].componentType);
    EXPECT_EQ((std::vector<DWORD>{VOL}), ControlTypes(waveIn.sources[0]));

    const std::size_t mic = card.Element("Mic");
    ASSERT_EQ(MMSYSERR_NOERROR, card.Write(card.ListControl(waveIn), {1}));
    EXPECT_EQ(1, (card.fake->values[{mic, ElementValue::CaptureSwitch}]));
    ASSERT_EQ(MMSYSERR_NOERROR, card.Write(card.ListControl(waveIn), {0}));
    EXPECT_EQ(0, (card.fake->values[{mic, ElementValue::CaptureSwitch}]));
}

TEST(AlsaMapping, IdsAreUniqueAndTheSameForTheSameCard) {
    for (const auto& elements : {HdaCodec(), Ac97(), UsbHeadset()}) {
        const MixerModel a = BuildMixerModel(elements), b = BuildMixerModel(elements);
        std::set<DWORD> controls, lines;
        for (std::size_t d = 0; d < a.destinations.size(); ++d) {
            lines.insert(a.destinations[d].id);
            auto check = [&](const ModelLine& la, const ModelLine& lb) {
                EXPECT_EQ(la.id, lb.id);
                ASSERT_EQ(la.controls.size(), lb.controls.size());
                for (std::size_t i = 0; i < la.controls.size(); ++i) {
                    EXPECT_EQ(la.controls[i].id, lb.controls[i].id);
                    EXPECT_TRUE(controls.insert(la.controls[i].id).second);
                    EXPECT_NE(0u, la.controls[i].id);
                }
            };
            check(a.destinations[d], b.destinations[d]);
            for (std::size_t s = 0; s < a.destinations[d].sources.size(); ++s) {
                check(a.destinations[d].sources[s], b.destinations[d].sources[s]);
                EXPECT_TRUE(lines.insert(a.destinations[d].sources[s].id).second);
            }
        }
    }
}

TEST(AlsaMapping, VolumesAndMutesThroughTheElementRange) {
    Card card(HdaCodec());
    const ModelLine& speakers = card.Dest(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    const ModelControl& volume = speakers.controls[0];
    const ModelControl& mute = speakers.controls[1];
    const std::size_t master = card.Element("Master");

    EXPECT_EQ(MMSYSERR_NOERROR, card.Write(volume, {0xFFFF}));
    EXPECT_EQ(87, (card.fake->values[{master, ElementValue::PlaybackVolume}]));
    EXPECT_EQ(MMSYSERR_NOERROR, card.Write(volume, {0}));
    EXPECT_EQ(0, (card.fake->values[{master, ElementValue::PlaybackVolume}]));
    EXPECT_EQ(MMSYSERR_NOERROR, card.Write(volume, {32767}));
    EXPECT_EQ(43, (card.fake->values[{master, ElementValue::PlaybackVolume}]));
    EXPECT_EQ(32391u, card.Read(volume)[0]); // 43 of 87, rounded
    EXPECT_EQ(MIXERR_INVALVALUE, card.Write(volume, {0x10000}));

    // Mute is the switch inverted.
    EXPECT_EQ(MMSYSERR_NOERROR, card.Write(mute, {1}));
    EXPECT_EQ(0, (card.fake->values[{master, ElementValue::PlaybackSwitch}]));
    card.fake->values[{master, ElementValue::PlaybackSwitch}] = 1;
    EXPECT_EQ(0u, card.Read(mute)[0]);

    // Ranges below zero map onto the same 0..65535.
    const RawRange db{-6000, 0};
    EXPECT_EQ(-6000, VolumeToRaw(0, db));
    EXPECT_EQ(0, VolumeToRaw(0xFFFF, db));
    for (long raw : {-6000L, -4500L, -1L, 0L})
        EXPECT_EQ(raw, VolumeToRaw(VolumeFromRaw(raw, db), db));
    EXPECT_EQ(0u, VolumeFromRaw(-9000, db)); // out-of-range readings are clamped
}

TEST(AlsaMapping, MixerCallsCheckRecordsAndCounts) {
    Card card(HdaCodec());
    MIXERCAPSA caps{};
    ASSERT_EQ(MMSYSERR_NOERROR, card.mixer->GetDevCaps(&caps, sizeof caps));
    EXPECT_EQ(2u, caps.cDestinations);
    EXPECT_EQ(MMSYSERR_INVALPARAM, card.mixer->GetDevCaps(&caps, sizeof caps - 1));

    // Walk as the mixer code does: destination, then its sources by index.
    MIXERLINEA line{};
    line.cbStruct = sizeof line;
    line.dwDestination = 1;
    ASSERT_EQ(MMSYSERR_NOERROR, card.mixer->GetLineInfo(&line, MIXER_GETLINEINFOF_DESTINATION));
    EXPECT_EQ(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, line.dwComponentType);
    EXPECT_EQ(3u, line.cConnections);
    EXPECT_EQ(MIXERLINE_TARGETTYPE_WAVEIN, line.Target.dwType);
    line.dwSource = 0;
    ASSERT_EQ(MMSYSERR_NOERROR, card.mixer->GetLineInfo(&line, MIXER_GETLINEINFOF_SOURCE));
    EXPECT_STREQ("Mic", line.szName);
    EXPECT_TRUE(line.fdwLine & MIXERLINE_LINEF_SOURCE);
    const DWORD micLine = line.dwLineID;
    line.dwSource = 3;
    EXPECT_EQ(MMSYSERR_INVALPARAM, card.mixer->GetLineInfo(&line, MIXER_GETLINEINFOF_SOURCE));
    line.cbStruct = sizeof line - 4;
    EXPECT_EQ(MMSYSERR_INVALPARAM, card.mixer->GetLineInfo(&line, MIXER_GETLINEINFOF_DESTINATION));

    // The MUX's item texts name the source lines.
    const ModelControl& mux = card.ListControl(card.Dest(MIXERLINE_COMPONENTTYPE_DST_WAVEIN));
    std::vector<MIXERCONTROLDETAILS_LISTTEXTA> texts(3);
    MIXERCONTROLDETAILS d{sizeof d, mux.id, 1, 3, sizeof texts[0], texts.data()};
    ASSERT_EQ(MMSYSERR_NOERROR,
              card.mixer->GetControlDetails(&d, MIXER_GETCONTROLDETAILSF_LISTTEXT));
    EXPECT_STREQ("Mic", texts[0].szName);
    EXPECT_EQ(micLine, texts[0].dwParam1);
    EXPECT_EQ(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, texts[0].dwParam2);
    d.cMultipleItems = 4; // more items than the control has
    EXPECT_EQ(MMSYSERR_INVALPARAM,
              card.mixer->GetControlDetails(&d, MIXER_GETCONTROLDETAILSF_LISTTEXT));

    // One control by type, and a type the line lacks.
    MIXERCONTROLA control{};
    MIXERLINECONTROLSA lc{};
    lc.cbStruct = sizeof lc;
    lc.dwLineID = card.Dest(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS).id;
    lc.dwControlType = VOL;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof control;
    lc.pamxctrl = &control;
    ASSERT_EQ(MMSYSERR_NOERROR, card.mixer->GetLineControls(&lc, MIXER_GETLINECONTROLSF_ONEBYTYPE));
    EXPECT_EQ(0u, control.Bounds.dwMinimum);
    EXPECT_EQ(0xFFFFu, control.Bounds.dwMaximum);
    EXPECT_EQ(87u, control.Metrics.cSteps);
    lc.dwControlType = MIXERCONTROL_CONTROLTYPE_ONOFF;
    EXPECT_EQ(MIXERR_INVALCONTROL,
              card.mixer->GetLineControls(&lc, MIXER_GETLINECONTROLSF_ONEBYTYPE));
    lc.cControls = 1; // the line has two
    EXPECT_EQ(MMSYSERR_INVALPARAM, card.mixer->GetLineControls(&lc, MIXER_GETLINECONTROLSF_ALL));

    // Two channels read back the one uniform value.
    DWORD both[2] = {7, 7};
    card.fake->values[{card.Element("Master"), ElementValue::PlaybackVolume}] = 87;
    MIXERCONTROLDETAILS vd{sizeof vd, control.dwControlID, 2, 0, sizeof(DWORD), both};
    ASSERT_EQ(MMSYSERR_NOERROR, card.mixer->GetControlDetails(&vd, MIXER_GETCONTROLDETAILSF_VALUE));
    EXPECT_EQ(0xFFFFu, both[0]);
    EXPECT_EQ(0xFFFFu, both[1]);
    vd.cChannels = 3;
    EXPECT_EQ(MMSYSERR_INVALPARAM,
              card.mixer->GetControlDetails(&vd, MIXER_GETCONTROLDETAILSF_VALUE));

    // A failing element access is a failure, not a value.
    vd.cChannels = 1;
    card.fake->failWith = -EIO;
    EXPECT_EQ(MMSYSERR_ERROR, card.mixer->GetControlDetails(&vd, MIXER_GETCONTROLDETAILSF_VALUE));
    EXPECT_EQ(-EIO, card.mixer->LastAlsaError());
}

TEST(AlsaMapping, SoundServerPluginAndCardsWithoutRecording) {
    // What the PulseAudio control plugin shows: "Master" and "Capture" only.
    Card server({Playback("Master", 65536), Capture("Capture", 65536, true)});
    const ModelLine& waveIn = server.Dest(MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    EXPECT_EQ((std::vector<DWORD>{VOL, MUTE}), ControlTypes(waveIn));
    EXPECT_TRUE(waveIn.sources.empty());
    EXPECT_TRUE(server.Dest(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS).sources.empty());

    // A speaker of another name is the speakers; a microphone's loop-back is not.
    EXPECT_EQ("Speaker", BuildMixerModel({Playback("Speaker", 31)}).destinations[0].name);
    AlsaElement usbMic = Capture("Mic", 16, true);
    usbMic.playbackVolume = true;
    usbMic.playbackRange = {0, 16};
    const MixerModel micOnly = BuildMixerModel({usbMic});
    ASSERT_EQ(1u, micOnly.destinations.size());
    EXPECT_EQ(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, micOnly.destinations[0].componentType);

    // Playback only: no wave-in destination at all.
    EXPECT_EQ(1u,
              BuildMixerModel({Playback("Master", 31), Playback("PCM", 31)}).destinations.size());
    // A volume whose range is a single value cannot be scaled: no control.
    EXPECT_EQ((std::vector<DWORD>{MUTE}),
              ControlTypes(BuildMixerModel({Playback("Master", 0)}).destinations[0]));
}
