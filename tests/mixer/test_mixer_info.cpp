#include "MixerTestCard.h"

#include "mixer/InfoMix.h"
#include <gmock/gmock.h>

#include <algorithm>

using namespace mixtest;

namespace {

constexpr DWORD SPEAKERS = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
constexpr DWORD WAVEIN = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
constexpr DWORD MIC = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;

std::vector<std::string> Texts(const TraceRecorder& trace) {
    std::vector<std::string> out;
    for (const auto& l : trace.lines) {
        EXPECT_EQ(l.module, "InfoMix");
        out.push_back(l.text);
    }
    return out;
}

TEST(MixerInfoWalk, DescribesEveryLineAndControlInOrder) {
    VirtualControl mux = List(MIXERCONTROL_CONTROLTYPE_MUX, {"Microphone", "Line"}, {1, 0});
    mux.flags = MIXERCONTROL_CONTROLF_MULTIPLE; // per channel: 2 x 2 list texts
    mux.name = "Source";
    mux.shortName = "Src";
    VirtualLine mic = Line("Microphone", MIC, {});
    VirtualLine rec = Line("Recording", WAVEIN, {mux}, {mic});
    rec.channels = 2;
    VirtualMixer mixer = Mixer({rec}, "Card A");
    mixer.version = 0x0502;
    auto card = Install(Card({mixer}));

    TraceRecorder trace;
    CMixerInfo info;
    ASSERT_EQ(info.FillMixerInfoTree(), 1);
    const std::vector<std::string> expect = {
        "Nombre de Mixers : 1",
        "*****************Mixer n°0*******************",
        "Nom : Card A",
        "Version driver : 5,2",
        "Dest Lines : 1",
        "+++++++++++Ligne de destination n°0++++++++++",
        "Nom : Recording",
        "Nom court : Recording",
        "Type : MIXERLINE_COMPONENTTYPE_DST_WAVEIN",
        "Nombre de contrôles : 1",
        "-> Controle n°0",
        "Nom : Source",
        "Nom court : Src",
        "Type : MIXERCONTROL_CONTROLTYPE_MUX",
        "Nombre d'item : 2",
        "         Item 0",
        "         Nom : Microphone",
        "         Item 1",
        "         Nom : Line",
        "Nombre de lignes source 1",
        "----------------Ligne source n°0-------------",
        "Nom : Microphone",
        "Nom court : Microphone",
        "Type : MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE",
        "Nombre de contrôles : 0",
    };
    EXPECT_EQ(Texts(trace), expect);

    ASSERT_EQ(info.m_mixers.size(), 1u);
    const auto& dest = info.m_mixers[0].destinations.at(0);
    ASSERT_EQ(dest.listTexts.at(0).size(), 4u); // items x channels without the uniform flag
    EXPECT_STREQ(dest.listTexts[0][1].szName, "Line");
    ASSERT_EQ(info.m_elements.size(), 1u);
    EXPECT_EQ(info.m_elements[0]->m_valueList, (std::vector<DWORD>{1, 0}));
    EXPECT_EQ(info.m_elements[0]->m_items, 2u);
    EXPECT_EQ(info.m_elements[0]->m_lineType, WAVEIN);
    EXPECT_EQ(card->OpenMixerHandles(), 0u);
}

TEST(MixerInfoWalk, SavesAdjustableControlsOnly) {
    VirtualControl meter = Control(MIXERCONTROL_CONTROLTYPE_PEAKMETER, {5}, -32768, 32767);
    VirtualControl disabled = Volume(7);
    disabled.flags |= MIXERCONTROL_CONTROLF_DISABLED;
    VirtualControl custom = Control(MIXERCONTROL_CONTROLTYPE_CUSTOM, {9});
    VirtualControl pan = Control(MIXERCONTROL_CONTROLTYPE_PAN, {-100}, -32768, 32767);
    VirtualControl mux =
        List(MIXERCONTROL_CONTROLTYPE_MUX, {"a", "b", "c", "d", "e"}, {0, 0, 1, 0, 0});
    auto card = Install(
        Card({Mixer({Line("Spk", SPEAKERS, {meter, Volume(4000), disabled, custom, pan, mux})})}));
    CMixerInfo info;
    std::vector<CElementMixer*> elements;
    ASSERT_EQ(info.GetElements(elements), 1);
    ASSERT_EQ(elements.size(), 4u);

    EXPECT_EQ(elements[0]->m_controlType, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(elements[0]->m_kind, MIXER_KIND_UNSIGNED);
    EXPECT_EQ(elements[0]->m_valueList, (std::vector<DWORD>{4000}));
    EXPECT_EQ(elements[0]->m_items, 0u);

    EXPECT_EQ(elements[1]->m_kind, MIXER_KIND_OTHER);
    EXPECT_TRUE(elements[1]->m_valueList.empty());

    EXPECT_EQ(elements[2]->m_kind, MIXER_KIND_SIGNED);
    EXPECT_EQ(elements[2]->m_valueList, (std::vector<DWORD>{static_cast<DWORD>(-100)}));

    EXPECT_EQ(elements[3]->m_kind, MIXER_KIND_BOOLEAN);
    EXPECT_EQ(elements[3]->m_items, 5u);
    EXPECT_EQ(elements[3]->m_valueList, (std::vector<DWORD>{0, 0, 1, 0, 0}));

    // The ids are the device's.
    EXPECT_EQ(elements[0]->m_controlId,
              card->FindControlId(0, SPEAKERS, MIXERCONTROL_CONTROLTYPE_VOLUME));

    // Asking again does not walk again.
    const int opens = card->CallCount("mixerOpen");
    std::vector<CElementMixer*> again;
    ASSERT_EQ(info.GetElements(again), 1);
    EXPECT_EQ(again, elements);
    EXPECT_EQ(card->CallCount("mixerOpen"), opens);
}

TEST(MixerInfoWalk, UnopenableMixerIsSkipped) {
    auto card = Install(Card({Mixer({Line("Spk", SPEAKERS, {Volume(1)})}, "Broken"),
                              Mixer({Line("Spk", SPEAKERS, {Volume(2)})}, "Fine")}));
    card->FailCall("mixerOpen", MMSYSERR_ALLOCATED, -1, 0);
    TraceRecorder trace;
    CMixerInfo info;
    ASSERT_EQ(info.FillMixerInfoTree(), 1);
    EXPECT_TRUE(trace.Has(1, "InfoMix",
                          "Error opening mixer device : 4 (mixer 0 \"Broken\": The specified "
                          "device is already in use. Wait until it is free, and then try again.)"));
    EXPECT_TRUE(trace.Has(0, "InfoMix", "Nom : Fine"));
    ASSERT_EQ(info.m_elements.size(), 1u);
    EXPECT_EQ(info.m_elements[0]->m_mixer, 1u);
    EXPECT_EQ(info.m_elements[0]->m_valueList, (std::vector<DWORD>{2}));
}

TEST(MixerInfoWalk, FailuresEndTheWalkWithTheirText) {
    struct Case {
        VirtualCardDesc card;
        const char* call;
        const char* error;
        int severity;
    };
    auto one = [] { return Card({Mixer({Line("Spk", SPEAKERS, {Volume(1)})})}); };
    std::vector<Case> cases = {
        {Card({}), "", "No mixer device present", 2},
        {Card({Mixer({Line("Spk", SPEAKERS, {Control(MIXERCONTROL_CONTROLTYPE_PEAKMETER)})})}), "",
         "TabMixer empty", 2},
        {one(), "mixerGetLineControls", "AddControls : mixerGetLineControls failed : 1", 2},
        {one(), "mixerGetControlDetails", "AddControls : mixerGetControlDetails failed : 1", 2},
        {one(), "mixerClose", "Error on mixerClose : 1", 2},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.error);
        auto card = Install(std::move(c.card));
        if (*c.call)
            card->FailCall(c.call, MMSYSERR_ERROR, 1);
        TraceRecorder trace;
        CMixerInfo info;
        EXPECT_EQ(info.FillMixerInfoTree(), 0);
        EXPECT_THAT(info.m_error, ::testing::StartsWith(c.error));
        EXPECT_TRUE(trace.HasStartingWith(c.severity, "InfoMix", c.error));
    }
}

TEST(MixerInfoWalk, LineInfoFailureSkipsOnlyThatLine) {
    VirtualLine mic = Line("Mic", MIC, {Volume(3)});
    auto card = Install(Card(
        {Mixer({Line("Spk", SPEAKERS, {Volume(1)}, {mic}), Line("Rec", WAVEIN, {Volume(2)})})}));
    card->FailCall("mixerGetLineInfo", MMSYSERR_ERROR, 1);
    TraceRecorder trace;
    CMixerInfo info;
    ASSERT_EQ(info.FillMixerInfoTree(), 1);
    EXPECT_TRUE(
        trace.HasStartingWith(1, "InfoMix", "FillMixerInfoTree : mixerGetLineInfo1 failed : 1 ("));
    ASSERT_EQ(info.m_elements.size(), 1u); // the speakers and their source are gone
    EXPECT_EQ(info.m_elements[0]->m_valueList, (std::vector<DWORD>{2}));
}

} // namespace
