#include "MixerTestCard.h"

#include "mixer/InfoMix.h"
#include "mixer/MixerRun.h"
#include "mixer/MixerSetup.h"
#include "tests/support/TestDir.h"
#include <gmock/gmock.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

using namespace mixtest;
using ::testing::EndsWith;
using ::testing::StartsWith;
namespace fs = std::filesystem;

namespace {

constexpr DWORD SPEAKERS = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
constexpr DWORD WAVEIN = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
constexpr DWORD MIC = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
constexpr DWORD WAVEOUT = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
constexpr DWORD VOLUME = MIXERCONTROL_CONTROLTYPE_VOLUME;
constexpr DWORD MUTE = MIXERCONTROL_CONTROLTYPE_MUTE;

class Snapshot : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = FreshTestDir("mixer_snapshot");
        m_path = (m_dir / "Mixer.ser").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::vector<BYTE> Bytes() const {
        std::ifstream in(m_path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void SetBytes(const std::vector<BYTE>& bytes) const {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    fs::path m_dir;
    std::string m_path;
};

void Put16(std::vector<BYTE>& b, DWORD v) {
    b.push_back(static_cast<BYTE>(v));
    b.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(std::vector<BYTE>& b, DWORD v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// Every value of every control of a card, for before/after comparisons.
std::vector<std::vector<LONG>> AllValues(const CVirtualCard& card) {
    std::vector<std::vector<LONG>> out;
    const auto& desc = card.Description();
    for (UINT m = 0; m < desc.mixers.size(); ++m) {
        auto add = [&](const VirtualLine& line) {
            for (const auto& c : line.controls) {
                std::vector<LONG> v;
                card.GetControlValues(m, c.id, v);
                out.push_back(v);
            }
        };
        for (const auto& d : desc.mixers[m].destinations) {
            add(d);
            for (const auto& s : d.sources)
                add(s);
        }
    }
    return out;
}

TEST_F(Snapshot, FortyControlsHaveTheArchiveLayout) {
    std::vector<VirtualControl> controls;
    for (int i = 0; i < 40; ++i)
        controls.push_back(Volume(1000 + i));
    auto card = Install(Card({Mixer({Line("Spk", SPEAKERS, controls)})}));

    CMixerSetup setup;
    TraceRecorder trace;
    ASSERT_EQ(setup.SaveSnapshot(m_path), 1) << setup.GetErrorText();
    EXPECT_TRUE(trace.Has(0, "MixerSetup", "Mixer.ser écrit sur le disque"));

    std::vector<BYTE> expect = {0x28, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x0D, 0x00};
    for (char c : std::string("CElementMixer"))
        expect.push_back(static_cast<BYTE>(c));
    const auto& saved = card->Description().mixers[0].destinations[0].controls;
    for (int i = 0; i < 40; ++i) {
        if (i > 0)
            Put16(expect, 0x8001);
        Put16(expect, 1);                   // one value
        Put32(expect, 1000 + i);            // the value
        Put32(expect, 0);                   // mixer
        Put32(expect, saved[i].id);         // control id
        Put32(expect, MIXER_KIND_UNSIGNED); // family
        Put32(expect, 0);                   // items
    }
    EXPECT_EQ(Bytes(), expect);
    // Nothing but the snapshot and the record naming this run is left.
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"Mixer.ser", "Mixer.run"}));
}

TEST_F(Snapshot, ListCustomAndSignedControlsRoundTrip) {
    VirtualControl mux =
        List(MIXERCONTROL_CONTROLTYPE_MUX, {"a", "b", "c", "d", "e"}, {0, 0, 1, 0, 0});
    VirtualControl pan = Control(MIXERCONTROL_CONTROLTYPE_PAN, {-2000}, -32768, 32767);
    VirtualControl custom = Control(MIXERCONTROL_CONTROLTYPE_CUSTOM, {77});
    auto card = Install(Card({Mixer({Line("Rec", WAVEIN, {mux, pan, custom})})}));
    CMixerSetup setup;
    ASSERT_EQ(setup.SaveSnapshot(m_path), 1) << setup.GetErrorText();

    const auto bytes = Bytes();
    // count and new class (21 bytes), then the MUX: 5 values and 5 items.
    ASSERT_GT(bytes.size(), 23u + 20 + 16);
    EXPECT_EQ(bytes[21], 5);
    EXPECT_EQ(bytes[22], 0);
    EXPECT_EQ(bytes[23 + 20 + 12], 5); // m_items after values, mixer, id, kind

    const auto before = AllValues(*card);
    const DWORD muxId = card->FindControlId(0, WAVEIN, MIXERCONTROL_CONTROLTYPE_MUX);
    const DWORD panId = card->FindControlId(0, WAVEIN, MIXERCONTROL_CONTROLTYPE_PAN);
    const DWORD customId = card->FindControlId(0, WAVEIN, MIXERCONTROL_CONTROLTYPE_CUSTOM);
    card->SetControlValues(0, muxId, {1, 0, 0, 0, 0});
    card->SetControlValues(0, panId, {500});
    card->SetControlValues(0, customId, {78});

    ASSERT_EQ(setup.RestoreSnapshot(m_path), 1) << setup.GetErrorText();
    auto after = AllValues(*card);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_EQ(after[2], (std::vector<LONG>{78})); // a custom control is not written back
    EXPECT_FALSE(fs::exists(m_path));
}

// A recording mixer whose only source is the microphone has a one-item MUX;
// the file stores it with no item count, and the restore must still write it
// and go on with the controls after it.
TEST_F(Snapshot, OneItemListControlIsRestoredAndTheWalkGoesOn) {
    VirtualControl mux = List(MIXERCONTROL_CONTROLTYPE_MUX, {"Microphone"}, {1});
    auto card = Install(Card({Mixer({Line("Rec", WAVEIN, {mux, Volume(1000)})})}));
    CMixerSetup setup;
    ASSERT_EQ(setup.SaveSnapshot(m_path), 1) << setup.GetErrorText();

    const DWORD volumeId = card->FindControlId(0, WAVEIN, VOLUME);
    card->SetControlValues(0, volumeId, {40000});

    ASSERT_EQ(setup.RestoreSnapshot(m_path), 1) << setup.GetErrorText();
    EXPECT_EQ(Value(*card, 0, WAVEIN, VOLUME), 1000);
    EXPECT_EQ(Value(*card, 0, WAVEIN, MIXERCONTROL_CONTROLTYPE_MUX), 1);
}

TEST_F(Snapshot, RestoreOpensEachMixerOnceInFileOrder) {
    auto card = Install(Card({Mixer({Line("Spk", SPEAKERS, {Volume(10), Mute(false)})}),
                              Mixer({Line("Spk", SPEAKERS, {Volume(20), Mute(true)})})}));
    CMixerSetup setup;
    ASSERT_EQ(setup.SaveSnapshot(m_path), 1);
    const auto before = AllValues(*card);
    for (UINT m = 0; m < 2; ++m) {
        card->SetControlValues(m, card->FindControlId(m, SPEAKERS, VOLUME), {60000});
        card->SetControlValues(m, card->FindControlId(m, SPEAKERS, MUTE), {1});
    }
    card->ResetCallCounts();
    // Mixer 1 cannot be opened: mixer 0 was restored first.
    card->FailCall("mixerOpen", MMSYSERR_ALLOCATED, 1, 1);
    EXPECT_EQ(setup.RestoreSnapshotFile(m_path, false), 0);
    EXPECT_THAT(setup.GetErrorText(),
                StartsWith("InfoMix:SetMixerValue :Error opening mixer device : 4 (mixer 1"));
    EXPECT_EQ(card->CallCount("mixerOpen"), 2);
    EXPECT_EQ(AllValues(*card)[0], before[0]);
    EXPECT_EQ(AllValues(*card)[2], (std::vector<LONG>{60000}));
    EXPECT_EQ(card->OpenMixerHandles(), 0u);

    card->ResetCallCounts();
    ASSERT_EQ(setup.RestoreSnapshot(m_path), 1) << setup.GetErrorText();
    EXPECT_EQ(card->CallCount("mixerOpen"), 2);
    EXPECT_EQ(card->CallCount("mixerSetControlDetails"), 4);
    EXPECT_EQ(AllValues(*card), before);
    EXPECT_EQ(card->OpenMixerHandles(), 0u);
}

TEST_F(Snapshot, AMixerOrControlThatIsGoneIsSkippedAndEveryOtherValueComesBack) {
    auto card = Install(Card({Mixer({Line("Spk", SPEAKERS, {Volume(10), Mute(false)})}),
                              Mixer({Line("Spk", SPEAKERS, {Volume(20), Mute(true)})})}));
    CMixerSetup setup;
    ASSERT_EQ(setup.SaveSnapshot(m_path), 1);
    const auto before = AllValues(*card);
    auto changeAll = [&] {
        for (UINT m = 0; m < 2; ++m) {
            card->SetControlValues(m, card->FindControlId(m, SPEAKERS, VOLUME), {60000});
            card->SetControlValues(m, card->FindControlId(m, SPEAKERS, MUTE), {1});
        }
    };
    // The first mixer is unplugged: the second still gets its values.
    changeAll();
    card->FailCall("mixerOpen", MMSYSERR_BADDEVICEID, 1, 0);
    EXPECT_EQ(setup.RestoreSnapshotFile(m_path, true), 0);
    EXPECT_THAT(setup.GetErrorText(),
                StartsWith("InfoMix:SetMixerValue :Error opening mixer device : 2 (mixer 0"));
    EXPECT_EQ(AllValues(*card)[0], (std::vector<LONG>{60000}));
    EXPECT_EQ(AllValues(*card)[2], before[2]);
    EXPECT_EQ(AllValues(*card)[3], before[3]);
    EXPECT_TRUE(fs::exists(m_path)) << "kept for when the device is back";

    // Two controls refuse their values: the others are written, both counted.
    changeAll();
    card->FailCall("mixerSetControlDetails", MMSYSERR_NOTENABLED, 2);
    EXPECT_EQ(setup.RestoreSnapshotFile(m_path, false), 0);
    EXPECT_THAT(setup.GetErrorText(),
                ::testing::EndsWith("(and 1 more settings that could not be put back)"));
    EXPECT_EQ(AllValues(*card)[2], before[2]);
    EXPECT_EQ(AllValues(*card)[3], before[3]);
    EXPECT_EQ(card->OpenMixerHandles(), 0u);
}

TEST_F(Snapshot, DefaultCardComesBackAfterTheWizardsChanges) {
    auto card = Install(DefaultCardDesc());
    const auto before = AllValues(*card);
    CMixerSetup setup;
    ASSERT_EQ(setup.SaveSnapshot(m_path), 1) << setup.GetErrorText();
    ASSERT_EQ(setup.PrepareRecording(), 1) << setup.GetErrorText();
    ASSERT_EQ(setup.PreparePlayback(), 1) << setup.GetErrorText();
    ASSERT_EQ(setup.SetPlaybackVolume(1234), 1);
    ASSERT_EQ(setup.SetRecordingVolume(9876), 1);
    ASSERT_NE(AllValues(*card), before);

    ASSERT_EQ(setup.RestoreSnapshot(m_path), 1) << setup.GetErrorText();
    EXPECT_EQ(AllValues(*card), before);
    EXPECT_FALSE(fs::exists(m_path));
    // A second restore finds no file and changes nothing.
    ASSERT_EQ(setup.SetPlaybackVolume(10000), 1);
    const auto changed = AllValues(*card);
    EXPECT_EQ(setup.RestoreSnapshot(m_path), 0);
    EXPECT_EQ(setup.GetErrorText(), "Error : no snapshot was taken in this run");
    EXPECT_EQ(AllValues(*card), changed);
}

TEST_F(Snapshot, SaveFailuresKeepTheEarlierFile) {
    auto card = Install(DefaultCardDesc());
    CMixerSetup setup;
    ASSERT_EQ(setup.WriteSnapshotFile(m_path), 1);
    const auto good = Bytes();

    card->FailCall("mixerGetLineControls", MMSYSERR_ERROR, 1);
    EXPECT_EQ(setup.WriteSnapshotFile(m_path), 0);
    EXPECT_THAT(setup.GetErrorText(),
                StartsWith("AddControls : mixerGetLineControls failed : 1 ("));
    EXPECT_EQ(Bytes(), good);

    const std::string nowhere = (m_dir / "missing" / "Mixer.ser").string();
    EXPECT_EQ(setup.WriteSnapshotFile(nowhere), 0);
    EXPECT_THAT(setup.GetErrorText(), StartsWith("Error : creating file " + nowhere + " ("));
    // The system's reason follows, in its own words ("No such file or
    // directory", "Path not found").
    EXPECT_THAT(setup.GetErrorText(), EndsWith(")"));

    InstallSoundBackend(std::make_shared<CVirtualCard>(Card({})));
    EXPECT_EQ(setup.WriteSnapshotFile(m_path), 0);
    EXPECT_EQ(setup.GetErrorText(), "No mixer device present");
    EXPECT_EQ(Bytes(), good);
}

TEST_F(Snapshot, DamagedFilesAreRefusedAndKept) {
    auto card = Install(Card({Mixer({Line("Spk", SPEAKERS, {Volume(10), Mute(false)})})}));
    CMixerSetup setup;
    ASSERT_EQ(setup.SaveSnapshot(m_path), 1);
    const auto good = Bytes();
    const auto before = AllValues(*card);
    card->SetControlValues(0, card->FindControlId(0, SPEAKERS, VOLUME), {999});
    const auto changed = AllValues(*card);

    auto patched = [&](std::size_t at, std::vector<BYTE> with) {
        auto b = good;
        std::copy(with.begin(), with.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    std::vector<std::pair<const char*, std::vector<BYTE>>> damaged = {
        {"empty", {}},
        {"cut in the class name", std::vector<BYTE>(good.begin(), good.begin() + 12)},
        {"cut in the last element", std::vector<BYTE>(good.begin(), good.end() - 1)},
        {"another class", patched(8, {'X'})},
        {"another schema", patched(4, {0x02})},
        {"huge element count", patched(0, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F})},
        {"huge value count", patched(21, {0xFF, 0xFF})},
        {"unknown class index", patched(21 + 2 + 4 + 16, {0x05, 0x80})},
        {"values and items disagree", patched(21 + 2 + 4 + 12, {0x03})},
        {"bytes after the last element",
         [&] {
             auto b = good;
             b.push_back(0);
             return b;
         }()},
    };
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        SetBytes(bytes);
        EXPECT_EQ(setup.RestoreSnapshotFile(m_path, true), 0);
        EXPECT_EQ(setup.GetErrorText(), "Error : reading file " + m_path);
        EXPECT_EQ(AllValues(*card), changed);
        EXPECT_EQ(Bytes(), bytes); // kept for a look
    }
    SetBytes(good);
    ASSERT_EQ(setup.RestoreSnapshotFile(m_path, true), 1);
    EXPECT_EQ(AllValues(*card), before);
}

// The mixers are numbered anew when a device comes or goes: each one gets its
// values back by its name, from memory, from the file with the names beside
// it, and the device chosen after the snapshot with them.
TEST_F(Snapshot, EachMixerComesBackByItsNameWhenTheMixersAreNumberedAnew) {
    // Names the record must keep as they are: blanks at the ends, '%'.
    const std::string headset = " Headset 100% ", builtIn = "Built-in";
    auto speakers = [](LONG volume, bool mute, const std::string& name) {
        return Mixer({Line("Spk", SPEAKERS, {Volume(volume), Mute(mute)})}, name);
    };
    auto unplugged = [&] {
        return Install(Card({speakers(10, false, headset), speakers(20, true, builtIn)}));
    };
    // A screen plugged in since comes first; the wizard changed both.
    auto replugged = [&] {
        return Install(Card({speakers(30, false, "Screen"), speakers(60000, false, builtIn),
                             speakers(60000, true, headset)}));
    };
    const std::vector<std::vector<LONG>> back = {{30}, {0}, {20}, {1}, {10}, {0}};

    unplugged();
    CMixerSetup setup;
    ASSERT_EQ(setup.SaveSnapshot(m_path), 1) << setup.GetErrorText();
    auto card = replugged();
    CMixerSetup byFile;
    ASSERT_EQ(byFile.RestoreSnapshotFile(m_path, false), 1) << byFile.GetErrorText();
    EXPECT_EQ(AllValues(*card), back);
    card = replugged();
    ASSERT_EQ(setup.RestoreSnapshot(m_path), 1) << setup.GetErrorText();
    EXPECT_EQ(AllValues(*card), back);

    // --save-mixer keeps the names beside its file, which no start offers.
    unplugged();
    ASSERT_EQ(setup.WriteSnapshotFile(m_path), 1) << setup.GetErrorText();
    EXPECT_EQ(FindSnapshotOwner(m_path), SnapshotOwner::None);
    card = replugged();
    ASSERT_EQ(byFile.RestoreSnapshotFile(m_path, false), 1) << byFile.GetErrorText();
    EXPECT_EQ(AllValues(*card), back);

    // A mixer that is gone is named; the others come back.
    card = Install(Card({speakers(60000, true, builtIn)}));
    EXPECT_EQ(byFile.RestoreSnapshotFile(m_path, false), 0);
    EXPECT_EQ(byFile.GetErrorText(),
              "InfoMix:SetMixerValue : the mixer \"" + headset + "\" is no longer there");
    EXPECT_EQ(AllValues(*card), (std::vector<std::vector<LONG>>{{20}, {1}}));
}

TEST_F(Snapshot, ADeviceChosenAfterTheSnapshotIsAddedAndPutBack) {
    auto speakers = [](LONG volume, const std::string& name) {
        return Mixer({Line("Spk", SPEAKERS, {Volume(volume)})}, name);
    };
    Install(Card({speakers(20, "Built-in")}));
    CMixerSetup setup;
    ASSERT_EQ(setup.SaveSnapshot(m_path), 1) << setup.GetErrorText();
    const auto file = Bytes();
    // The headset is plugged in and chosen before the wizard sets it.
    auto card = Install(Card({speakers(10, "Headset"), speakers(20, "Built-in")}));
    ASSERT_EQ(setup.AddToSnapshot(), 1) << setup.GetErrorText();
    EXPECT_EQ(Bytes(), file) << "the file stays as it was written";
    auto change = [&] {
        for (UINT m = 0; m < 2; ++m)
            card->SetControlValues(m, card->FindControlId(m, SPEAKERS, VOLUME), {60000});
    };
    const std::vector<std::vector<LONG>> back = {{10}, {20}};

    // After a crash, from the file and its record; then by Cancel.
    change();
    std::string error;
    CMixerSetup recovery;
    ASSERT_EQ(recovery.RestoreSnapshotFile(m_path, false), 1) << recovery.GetErrorText();
    EXPECT_EQ(AllValues(*card), back);
    change();
    ASSERT_EQ(setup.RestoreSnapshot(m_path), 1) << setup.GetErrorText();
    EXPECT_EQ(AllValues(*card), back);
    EXPECT_FALSE(fs::exists(m_path));
    EXPECT_FALSE(fs::exists(RunRecordPath(m_path)));
}

// A list whose items changed gets its choice back by the item's name; one
// whose chosen item is gone, or whose names the file does not keep, is named
// and left alone while the others come back.
TEST_F(Snapshot, AListGetsItsChoiceBackByItsItemsName) {
    auto recording = [](std::vector<std::string> items, std::vector<LONG> chosen) {
        return Card({Mixer(
            {Line("Rec", WAVEIN, {List(MIXERCONTROL_CONTROLTYPE_MUX, items, chosen), Volume(5)})},
            "Capture")});
    };
    Install(recording({"Mic", "Line", "Dock"}, {0, 1, 0}));
    CMixerSetup setup;
    ASSERT_EQ(setup.WriteSnapshotFile(m_path), 1) << setup.GetErrorText();

    auto card = Install(recording({"Headset", "Mic", "Line", "Dock"}, {1, 0, 0, 0}));
    card->SetControlValues(0, card->FindControlId(0, WAVEIN, VOLUME), {999});
    ASSERT_EQ(setup.RestoreSnapshotFile(m_path, false), 1) << setup.GetErrorText();
    EXPECT_EQ(AllValues(*card), (std::vector<std::vector<LONG>>{{0, 0, 1, 0}, {5}}));

    card = Install(recording({"Mic", "Dock"}, {1, 0}));
    card->SetControlValues(0, card->FindControlId(0, WAVEIN, VOLUME), {999});
    EXPECT_EQ(setup.RestoreSnapshotFile(m_path, false), 0);
    EXPECT_EQ(setup.GetErrorText(),
              "InfoMix:SetMixerValue : \"Line\" is no longer offered (mixer 0 \"Capture\")");
    EXPECT_EQ(AllValues(*card), (std::vector<std::vector<LONG>>{{1, 0}, {5}}));

    // The file alone, as an earlier version wrote it: by position where the
    // items are as they were, and never with a count the list no longer has.
    fs::remove(RunRecordPath(m_path));
    card = Install(recording({"Headset", "Mic", "Line", "Dock"}, {1, 0, 0, 0}));
    card->SetControlValues(0, card->FindControlId(0, WAVEIN, VOLUME), {999});
    EXPECT_EQ(setup.RestoreSnapshotFile(m_path, false), 0);
    EXPECT_THAT(setup.GetErrorText(),
                StartsWith("InfoMix:SetMixerValue : the choices of control 1 changed since the "
                           "snapshot, which does not name them (mixer 0 \"Capture\")"));
    EXPECT_EQ(AllValues(*card), (std::vector<std::vector<LONG>>{{1, 0, 0, 0}, {5}}));
    card = Install(recording({"Mic", "Line", "Dock"}, {1, 0, 0}));
    ASSERT_EQ(setup.RestoreSnapshotFile(m_path, false), 1) << setup.GetErrorText();
    EXPECT_EQ(AllValues(*card), (std::vector<std::vector<LONG>>{{0, 1, 0}, {5}}));
}

// The record beside the file is read with the same care as the file: a
// damaged one leaves the file to go by number and position.
TEST_F(Snapshot, ADamagedRecordLeavesTheFileToGoByNumber) {
    auto card = Install(Card({Mixer({Line("Spk", SPEAKERS, {Volume(10)})}, "Mix")}));
    CMixerSetup setup;
    ASSERT_EQ(setup.WriteSnapshotFile(m_path), 1) << setup.GetErrorText();
    const std::string record = RunRecordPath(m_path);
    std::ifstream in(record, std::ios::binary);
    const std::string good{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_NE(good.find("Mixer0=Mix"), std::string::npos) << good;
    for (const std::string& bad :
         {std::string("Mixer0=%G1"), std::string("Mixer0=Gone"), std::string("File=7")}) {
        SCOPED_TRACE(bad);
        std::string text = good;
        const std::string key = bad.substr(0, bad.find('=') + 1);
        const std::size_t at = text.find(key);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, text.find('\r', at) - at, bad);
        std::ofstream(record, std::ios::binary | std::ios::trunc) << text;
        card->SetControlValues(0, card->FindControlId(0, SPEAKERS, VOLUME), {999});
        const int result = setup.RestoreSnapshotFile(m_path, false);
        if (bad == "Mixer0=Gone") {
            // Read well: the mixer of that name is not there.
            EXPECT_EQ(result, 0);
            EXPECT_EQ(AllValues(*card)[0], (std::vector<LONG>{999}));
        } else {
            EXPECT_EQ(result, 1) << setup.GetErrorText();
            EXPECT_EQ(AllValues(*card)[0], (std::vector<LONG>{10}));
        }
    }
}

} // namespace
