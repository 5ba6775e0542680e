// The mixer calls on the virtual card: topology walks, control lookups, list
// text and values, bounds and refusals.
#include "platform/mmsystem.h"
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace plat;

namespace {

class VirtualMixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        card = std::make_shared<CVirtualCard>(DefaultCardDesc(), CVirtualCard::Clock::Manual);
        InstallSoundBackend(card);
        ASSERT_EQ(mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_MIXER), MMSYSERR_NOERROR);
    }
    void TearDown() override {
        if (mixer != nullptr) {
            EXPECT_EQ(mixerClose(mixer), MMSYSERR_NOERROR);
        }
        InstallSoundBackend(nullptr);
    }

    HMIXEROBJ Obj() const { return reinterpret_cast<HMIXEROBJ>(mixer); }

    MIXERLINE Destination(DWORD d) {
        MIXERLINE line{};
        line.cbStruct = sizeof(line);
        line.dwDestination = d;
        EXPECT_EQ(
            mixerGetLineInfo(Obj(), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_DESTINATION),
            MMSYSERR_NOERROR);
        return line;
    }

    MIXERLINE Source(DWORD d, DWORD s, MMRESULT expected = MMSYSERR_NOERROR) {
        MIXERLINE line{};
        line.cbStruct = sizeof(line);
        line.dwDestination = d;
        line.dwSource = s;
        EXPECT_EQ(mixerGetLineInfo(Obj(), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE),
                  expected);
        return line;
    }

    std::vector<MIXERCONTROL> Controls(const MIXERLINE& line) {
        std::vector<MIXERCONTROL> controls(line.cControls);
        MIXERLINECONTROLS lc{};
        lc.cbStruct = sizeof(lc);
        lc.dwLineID = line.dwLineID;
        lc.cControls = line.cControls;
        lc.cbmxctrl = sizeof(MIXERCONTROL);
        lc.pamxctrl = controls.data();
        EXPECT_EQ(
            mixerGetLineControls(Obj(), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL),
            MMSYSERR_NOERROR);
        return controls;
    }

    MMRESULT ByType(const MIXERLINE& line, DWORD type, MIXERCONTROL& out) {
        MIXERLINECONTROLS lc{};
        lc.cbStruct = sizeof(lc);
        lc.dwLineID = line.dwLineID;
        lc.dwControlType = type;
        lc.cControls = 1;
        lc.cbmxctrl = sizeof(MIXERCONTROL);
        lc.pamxctrl = &out;
        return mixerGetLineControls(Obj(), &lc,
                                    MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE);
    }

    MMRESULT Details(DWORD id, DWORD channels, DWORD items, void* data, DWORD cb, DWORD flags,
                     bool set = false) {
        MIXERCONTROLDETAILS d{};
        d.cbStruct = sizeof(d);
        d.dwControlID = id;
        d.cChannels = channels;
        d.cMultipleItems = items;
        d.cbDetails = cb;
        d.paDetails = data;
        // As the mixer layer does: the open handle without the handle flag.
        return set ? mixerSetControlDetails(Obj(), &d, MIXER_OBJECTF_MIXER | flags)
                   : mixerGetControlDetails(Obj(), &d, MIXER_OBJECTF_MIXER | flags);
    }

    std::shared_ptr<CVirtualCard> card;
    HMIXER mixer = nullptr;
};

TEST_F(VirtualMixerTest, WalksDestinationsSourcesAndTheirControls) {
    ASSERT_EQ(mixerGetNumDevs(), 1u);
    MIXERCAPS caps{};
    ASSERT_EQ(mixerGetDevCaps(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    ASSERT_EQ(caps.cDestinations, 2u);

    struct Seen {
        DWORD type;
        std::vector<DWORD> controls;
    };
    std::vector<Seen> seen;
    std::vector<DWORD> ids;
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        const MIXERLINE dst = Destination(d);
        EXPECT_EQ(dst.fdwLine & MIXERLINE_LINEF_SOURCE, 0u);
        Seen s{dst.dwComponentType, {}};
        for (const MIXERCONTROL& c : Controls(dst)) {
            s.controls.push_back(c.dwControlType);
            ids.push_back(c.dwControlID);
        }
        seen.push_back(s);
        for (DWORD i = 0; i < dst.cConnections; ++i) {
            const MIXERLINE src = Source(d, i);
            EXPECT_NE(src.fdwLine & MIXERLINE_LINEF_SOURCE, 0u);
            EXPECT_EQ(src.dwDestination, d);
            Seen t{src.dwComponentType, {}};
            for (const MIXERCONTROL& c : Controls(src)) {
                t.controls.push_back(c.dwControlType);
                ids.push_back(c.dwControlID);
            }
            seen.push_back(t);
        }
        Source(d, dst.cConnections, MIXERR_INVALLINE); // one past the last source
    }
    const DWORD VOL = MIXERCONTROL_CONTROLTYPE_VOLUME, MUTE = MIXERCONTROL_CONTROLTYPE_MUTE;
    const std::vector<std::pair<DWORD, std::vector<DWORD>>> expected = {
        {MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, {VOL, MUTE}},
        {MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, {VOL, MUTE}},
        {MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, {VOL, MUTE}},
        {MIXERLINE_COMPONENTTYPE_SRC_LINE, {VOL, MUTE}},
        {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, {VOL, MUTE}},
        {MIXERLINE_COMPONENTTYPE_DST_WAVEIN, {VOL, MIXERCONTROL_CONTROLTYPE_MUX}},
        {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, {VOL}},
        {MIXERLINE_COMPONENTTYPE_SRC_LINE, {VOL}},
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].type, expected[i].first) << "line " << i;
        EXPECT_EQ(seen[i].controls, expected[i].second) << "line " << i;
    }
    // Control ids are unique across the whole mixer.
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());

    Destination(0);
    MIXERLINE bad{};
    bad.cbStruct = sizeof(bad);
    bad.dwDestination = 2;
    EXPECT_EQ(mixerGetLineInfo(Obj(), &bad, MIXER_OBJECTF_HMIXER), MIXERR_INVALLINE);
    bad.cbStruct = 168; // the 32-bit record size is not this record
    bad.dwDestination = 0;
    EXPECT_EQ(mixerGetLineInfo(Obj(), &bad, MIXER_OBJECTF_HMIXER), MMSYSERR_INVALPARAM);
}

TEST_F(VirtualMixerTest, FindsLinesByIdTypeAndControlsByTypeAndId) {
    const MIXERLINE recording = Destination(1);
    MIXERLINE byType{};
    byType.cbStruct = sizeof(byType);
    byType.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    ASSERT_EQ(
        mixerGetLineInfo(Obj(), &byType, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE),
        MMSYSERR_NOERROR);
    EXPECT_EQ(byType.dwDestination, 0u); // the first microphone: under the speakers
    EXPECT_EQ(byType.dwSource, 3u);

    MIXERLINE byId{};
    byId.cbStruct = sizeof(byId);
    byId.dwLineID = recording.dwLineID;
    ASSERT_EQ(mixerGetLineInfo(Obj(), &byId, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_LINEID),
              MMSYSERR_NOERROR);
    EXPECT_STREQ(byId.szName, recording.szName);
    EXPECT_EQ(byId.cConnections, 2u);

    MIXERCONTROL mux{};
    ASSERT_EQ(ByType(recording, MIXERCONTROL_CONTROLTYPE_MUX, mux), MMSYSERR_NOERROR);
    EXPECT_EQ(mux.cMultipleItems, 2u);
    EXPECT_EQ(mux.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE, MIXERCONTROL_CONTROLF_MULTIPLE);
    MIXERCONTROL none{};
    EXPECT_EQ(ByType(recording, MIXERCONTROL_CONTROLTYPE_MUTE, none), MIXERR_INVALCONTROL);

    MIXERCONTROL again{};
    MIXERLINECONTROLS lc{};
    lc.cbStruct = sizeof(lc);
    lc.dwControlID = mux.dwControlID;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof(MIXERCONTROL);
    lc.pamxctrl = &again;
    ASSERT_EQ(
        mixerGetLineControls(Obj(), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYID),
        MMSYSERR_NOERROR);
    EXPECT_EQ(lc.dwLineID, recording.dwLineID);
    EXPECT_STREQ(again.szName, mux.szName);

    // ALL needs exactly the line's count.
    std::vector<MIXERCONTROL> room(5);
    lc.dwLineID = recording.dwLineID;
    lc.cControls = 5;
    lc.pamxctrl = room.data();
    EXPECT_EQ(mixerGetLineControls(Obj(), &lc, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL),
              MMSYSERR_INVALPARAM);
}

TEST_F(VirtualMixerTest, MuxListTextNamesTheSourcesAndSelectsExactlyOne) {
    const MIXERLINE recording = Destination(1);
    MIXERCONTROL mux{};
    ASSERT_EQ(ByType(recording, MIXERCONTROL_CONTROLTYPE_MUX, mux), MMSYSERR_NOERROR);

    MIXERCONTROLDETAILS_LISTTEXT text[2]{};
    ASSERT_EQ(
        Details(mux.dwControlID, 1, 2, text, sizeof(text[0]), MIXER_GETCONTROLDETAILSF_LISTTEXT),
        MMSYSERR_NOERROR);
    const MIXERLINE mic = Source(1, 0), line = Source(1, 1);
    EXPECT_STREQ(text[0].szName, "Microphone");
    EXPECT_EQ(text[0].dwParam1, mic.dwLineID);
    EXPECT_EQ(text[0].dwParam2, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
    EXPECT_STREQ(text[1].szName, "Line In");
    EXPECT_EQ(text[1].dwParam1, line.dwLineID);

    MIXERCONTROLDETAILS_BOOLEAN values[2]{};
    ASSERT_EQ(Details(mux.dwControlID, 1, 2, values, 4, MIXER_GETCONTROLDETAILSF_VALUE),
              MMSYSERR_NOERROR);
    EXPECT_EQ(values[0].fValue, 0);
    EXPECT_EQ(values[1].fValue, 1);

    values[0].fValue = 1;
    values[1].fValue = 0;
    ASSERT_EQ(Details(mux.dwControlID, 1, 2, values, 4, 0, true), MMSYSERR_NOERROR);
    std::vector<LONG> held;
    ASSERT_TRUE(card->GetControlValues(0, mux.dwControlID, held));
    EXPECT_EQ(held, (std::vector<LONG>{1, 0}));

    // No item selected is refused and changes nothing; two selected keeps the first.
    values[0].fValue = 0;
    EXPECT_EQ(Details(mux.dwControlID, 1, 2, values, 4, 0, true), MIXERR_INVALVALUE);
    values[0].fValue = 1;
    values[1].fValue = 1;
    EXPECT_EQ(Details(mux.dwControlID, 1, 2, values, 4, 0, true), MMSYSERR_NOERROR);
    ASSERT_TRUE(card->GetControlValues(0, mux.dwControlID, held));
    EXPECT_EQ(held, (std::vector<LONG>{1, 0}));

    // Item count and record size must be the control's.
    EXPECT_EQ(Details(mux.dwControlID, 1, 1, values, 4, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(Details(mux.dwControlID, 1, 2, text, 64, MIXER_GETCONTROLDETAILSF_LISTTEXT),
              MMSYSERR_INVALPARAM);
}

TEST_F(VirtualMixerTest, VolumeBoundsChannelsAndRefusedValues) {
    const MIXERLINE speakers = Destination(0);
    MIXERCONTROL volume{};
    ASSERT_EQ(ByType(speakers, MIXERCONTROL_CONTROLTYPE_VOLUME, volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume.Bounds.dwMinimum, 0u);
    EXPECT_EQ(volume.Bounds.dwMaximum, 65535u);

    MIXERCONTROLDETAILS_UNSIGNED two[2] = {{1000}, {2000}};
    ASSERT_EQ(Details(volume.dwControlID, 2, 0, two, 4, 0, true), MMSYSERR_NOERROR);
    MIXERCONTROLDETAILS_UNSIGNED one{};
    ASSERT_EQ(Details(volume.dwControlID, 1, 0, &one, 4, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(one.dwValue, 1000u); // one channel reads the first

    one.dwValue = 65535;
    ASSERT_EQ(Details(volume.dwControlID, 1, 0, &one, 4, 0, true), MMSYSERR_NOERROR);
    ASSERT_EQ(Details(volume.dwControlID, 2, 0, two, 4, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(two[0].dwValue, 65535u); // one channel sets them all
    EXPECT_EQ(two[1].dwValue, 65535u);

    one.dwValue = 65536;
    EXPECT_EQ(Details(volume.dwControlID, 1, 0, &one, 4, 0, true), MIXERR_INVALVALUE);
    ASSERT_EQ(Details(volume.dwControlID, 1, 0, &one, 4, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(one.dwValue, 65535u);

    EXPECT_EQ(Details(volume.dwControlID, 3, 0, two, 4, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(Details(9999, 1, 0, &one, 4, 0), MIXERR_INVALCONTROL);

    // A mixer index works as the object as well as the handle does.
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof(d);
    d.dwControlID = volume.dwControlID;
    d.cChannels = 1;
    d.cbDetails = 4;
    d.paDetails = &one;
    EXPECT_EQ(mixerGetControlDetails(reinterpret_cast<HMIXEROBJ>(std::uintptr_t(0)), &d,
                                     MIXER_OBJECTF_MIXER),
              MMSYSERR_NOERROR);
    EXPECT_EQ(mixerGetControlDetails(reinterpret_cast<HMIXEROBJ>(std::uintptr_t(1)), &d,
                                     MIXER_OBJECTF_MIXER),
              MMSYSERR_BADDEVICEID);
    EXPECT_EQ(mixerGetControlDetails(reinterpret_cast<HMIXEROBJ>(std::uintptr_t(0xBAD)), &d,
                                     MIXER_OBJECTF_HMIXER),
              MMSYSERR_INVALHANDLE);
    // The handle's mixer answers mixerGetDevCaps too.
    MIXERCAPS caps{};
    EXPECT_EQ(mixerGetDevCaps(reinterpret_cast<UINT_PTR>(mixer), &caps, sizeof(caps)),
              MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Virtual Mixer");
}

TEST_F(VirtualMixerTest, InjectedFailuresHitTheirCallAndRunOut) {
    const MIXERLINE speakers = Destination(0);
    MIXERCONTROL mute{};
    ASSERT_EQ(ByType(speakers, MIXERCONTROL_CONTROLTYPE_MUTE, mute), MMSYSERR_NOERROR);
    card->FailCall("mixerSetControlDetails", MMSYSERR_ERROR, 2, long(mute.dwControlID));
    MIXERCONTROLDETAILS_BOOLEAN on{1};
    EXPECT_EQ(Details(mute.dwControlID, 1, 0, &on, 4, 0, true), MMSYSERR_ERROR);
    EXPECT_EQ(Details(mute.dwControlID, 1, 0, &on, 4, 0, true), MMSYSERR_ERROR);
    EXPECT_EQ(Details(mute.dwControlID, 1, 0, &on, 4, 0, true), MMSYSERR_NOERROR);
    EXPECT_EQ(card->CallCount("mixerSetControlDetails"), 3);

    card->FailCall("mixerOpen", MMSYSERR_NODRIVER, -1, 0);
    HMIXER other = nullptr;
    EXPECT_EQ(mixerOpen(&other, 0, 0, 0, 0), MMSYSERR_NODRIVER);
    EXPECT_EQ(mixerOpen(&other, 1, 0, 0, 0), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(mixerClose(reinterpret_cast<HMIXER>(std::uintptr_t(0xBAD))), MMSYSERR_INVALHANDLE);
}

TEST(VirtualMixerInCode, DisabledMeterSignedAndPerChannelListControls) {
    VirtualControl pan;
    pan.type = MIXERCONTROL_CONTROLTYPE_PAN;
    pan.minimum = -32768;
    pan.maximum = 32767;
    pan.values = {0, 0};
    VirtualControl meter = pan;
    meter.type = MIXERCONTROL_CONTROLTYPE_PEAKMETER;
    VirtualControl disabled;
    disabled.flags = MIXERCONTROL_CONTROLF_DISABLED;
    VirtualControl mixer; // a multiple-select list, one row per channel
    mixer.type = MIXERCONTROL_CONTROLTYPE_MIXER;
    mixer.minimum = 0;
    mixer.maximum = 1;
    mixer.items = {{"CD", 0, 0}, {"Nowhere", 0, 0}};
    mixer.values = {1, 0, 0, 1};
    VirtualLine cd;
    cd.name = "CD";
    cd.componentType = MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
    VirtualLine out;
    out.name = "Out";
    out.targetType = MIXERLINE_TARGETTYPE_WAVEOUT;
    out.controls = {pan, meter, disabled, mixer};
    out.sources = {cd};
    VirtualCardDesc desc;
    desc.mixers.push_back({});
    desc.mixers[0].destinations = {out};
    desc.waveOut = DefaultCardDesc().waveOut;
    CVirtualCard card(desc, CVirtualCard::Clock::Manual);
    const auto obj = reinterpret_cast<HMIXEROBJ>(std::uintptr_t(0));

    MIXERLINE line{};
    line.cbStruct = sizeof(line);
    line.Target.dwType = MIXERLINE_TARGETTYPE_WAVEOUT;
    ASSERT_EQ(card.mixerGetLineInfo(obj, &line, MIXER_GETLINEINFOF_TARGETTYPE), MMSYSERR_NOERROR);
    EXPECT_STREQ(line.szName, "Out");
    EXPECT_STREQ(line.Target.szPname, "Virtual Wave Out");
    std::vector<MIXERCONTROL> controls(4);
    MIXERLINECONTROLS lc{};
    lc.cbStruct = sizeof(lc);
    lc.dwLineID = line.dwLineID;
    lc.cControls = 4;
    lc.cbmxctrl = sizeof(MIXERCONTROL);
    lc.pamxctrl = controls.data();
    ASSERT_EQ(card.mixerGetLineControls(obj, &lc, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_NOERROR);
    EXPECT_EQ(controls[0].Bounds.lMinimum, -32768);

    auto details = [&](DWORD c, DWORD channels, DWORD items, void* data, DWORD cb, DWORD flags,
                       bool set) {
        MIXERCONTROLDETAILS d{};
        d.cbStruct = sizeof(d);
        d.dwControlID = controls[c].dwControlID;
        d.cChannels = channels;
        d.cMultipleItems = items;
        d.cbDetails = cb;
        d.paDetails = data;
        return set ? card.mixerSetControlDetails(obj, &d, flags)
                   : card.mixerGetControlDetails(obj, &d, flags);
    };
    MIXERCONTROLDETAILS_SIGNED v[4] = {{-20000}, {32767}, {0}, {0}};
    EXPECT_EQ(details(0, 2, 0, v, 4, 0, true), MMSYSERR_NOERROR);
    v[0].lValue = -32769;
    EXPECT_EQ(details(0, 2, 0, v, 4, 0, true), MIXERR_INVALVALUE);
    ASSERT_EQ(details(0, 2, 0, v, 4, 0, false), MMSYSERR_NOERROR);
    EXPECT_EQ(v[0].lValue, -20000);
    EXPECT_EQ(details(1, 1, 0, v, 4, 0, true), MMSYSERR_NOTSUPPORTED); // meters are read-only
    EXPECT_EQ(details(2, 1, 0, v, 4, 0, true), MMSYSERR_NOTSUPPORTED); // disabled
    EXPECT_EQ(details(2, 1, 0, v, 4, 0, false), MMSYSERR_NOERROR);

    // A list that is not uniform has one row of items per channel.
    MIXERCONTROLDETAILS_LISTTEXT text[4]{};
    ASSERT_EQ(details(3, 2, 2, text, sizeof(text[0]), MIXER_GETCONTROLDETAILSF_LISTTEXT, false),
              MMSYSERR_NOERROR);
    EXPECT_STREQ(text[2].szName, "CD");
    EXPECT_STREQ(text[3].szName, "Nowhere");
    MIXERLINE source{};
    source.cbStruct = sizeof(source);
    source.dwSource = 0;
    ASSERT_EQ(card.mixerGetLineInfo(obj, &source, MIXER_GETLINEINFOF_SOURCE), MMSYSERR_NOERROR);
    EXPECT_EQ(text[2].dwParam1, source.dwLineID);
    EXPECT_EQ(text[3].dwParam1, 0u); // names no line
    ASSERT_EQ(details(3, 2, 2, v, 4, 0, false), MMSYSERR_NOERROR);
    EXPECT_EQ(v[0].lValue, 1);
    EXPECT_EQ(v[3].lValue, 1);
    v[0].lValue = 0;
    v[1].lValue = 0; // a multiple-select list may select nothing
    ASSERT_EQ(details(3, 2, 2, v, 4, 0, true), MMSYSERR_NOERROR);
    std::vector<LONG> held;
    ASSERT_TRUE(card.GetControlValues(0, controls[3].dwControlID, held));
    EXPECT_EQ(held, (std::vector<LONG>{0, 0, 0, 1}));
}

} // namespace
