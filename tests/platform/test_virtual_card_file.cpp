// Card description files: the example default card matches the built-in one,
// the other examples load, and wrong files are refused with a message that
// names the place.
#include "platform/sound_backend.h"
#include "platform/sound_choice.h"
#include "platform/virtual/CardFile.h"
#include "platform/virtual/VirtualCard.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace plat;

namespace {

std::string Examples() {
    if (const char* root = std::getenv("PELMORA_SOURCE_DIR"))
        return std::string(root) + "/examples/cards/";
    // This file is tests/platform/ in the source tree.
    const std::filesystem::path root =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
    return (root / "examples" / "cards").string() + "/";
}

class CardFileTest : public ::testing::Test {
protected:
    void SetUp() override { dir = FreshTestDir("pelmora-card"); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string Write(const std::string& text) {
        const std::string path = (dir / "card.ini").string();
        std::ofstream(path) << text;
        return path;
    }

    // The error of reading `text`, "" when it reads.
    std::string ErrorOf(const std::string& text) {
        VirtualCardDesc card;
        std::string error;
        return ReadCardFile(Write(text), card, error) ? "" : error;
    }

    std::filesystem::path dir;
};

void ExpectSameLine(const VirtualLine& a, const VirtualLine& b, const std::string& where) {
    EXPECT_EQ(a.name, b.name) << where;
    EXPECT_EQ(a.shortName, b.shortName) << where;
    EXPECT_EQ(a.componentType, b.componentType) << where;
    EXPECT_EQ(a.channels, b.channels) << where;
    EXPECT_EQ(a.targetType, b.targetType) << where;
    ASSERT_EQ(a.controls.size(), b.controls.size()) << where;
    for (std::size_t c = 0; c < a.controls.size(); ++c) {
        const VirtualControl &x = a.controls[c], &y = b.controls[c];
        const std::string at = where + " control " + std::to_string(c);
        EXPECT_EQ(x.type, y.type) << at;
        EXPECT_EQ(x.name, y.name) << at;
        EXPECT_EQ(x.flags, y.flags) << at;
        EXPECT_EQ(x.minimum, y.minimum) << at;
        EXPECT_EQ(x.maximum, y.maximum) << at;
        EXPECT_EQ(x.values, y.values) << at;
        ASSERT_EQ(x.items.size(), y.items.size()) << at;
        for (std::size_t i = 0; i < x.items.size(); ++i) {
            EXPECT_EQ(x.items[i].name, y.items[i].name) << at;
            EXPECT_EQ(x.items[i].lineId, y.items[i].lineId) << at;
        }
    }
    ASSERT_EQ(a.sources.size(), b.sources.size()) << where;
    for (std::size_t s = 0; s < a.sources.size(); ++s)
        ExpectSameLine(a.sources[s], b.sources[s], where + " source " + std::to_string(s));
}

TEST_F(CardFileTest, ExampleDefaultCardIsTheBuiltInCard) {
    std::string error;
    auto fromFile = CVirtualCard::FromFile(Examples() + "default.ini", error);
    ASSERT_TRUE(fromFile) << error;
    CVirtualCard builtIn;
    const VirtualCardDesc &a = fromFile->Description(), &b = builtIn.Description();
    ASSERT_EQ(a.mixers.size(), b.mixers.size());
    EXPECT_EQ(a.mixers[0].name, b.mixers[0].name);
    ASSERT_EQ(a.mixers[0].destinations.size(), b.mixers[0].destinations.size());
    for (std::size_t d = 0; d < a.mixers[0].destinations.size(); ++d)
        ExpectSameLine(a.mixers[0].destinations[d], b.mixers[0].destinations[d],
                       "destination " + std::to_string(d));
    ASSERT_EQ(a.waveOut.size(), 1u);
    ASSERT_EQ(a.waveIn.size(), 1u);
    EXPECT_EQ(a.waveOut[0].formats, b.waveOut[0].formats);
    EXPECT_EQ(a.waveIn[0].formats, b.waveIn[0].formats);
    EXPECT_EQ(a.waveOut[0].support, b.waveOut[0].support);
    EXPECT_EQ(a.waveIn[0].name, b.waveIn[0].name);
}

TEST_F(CardFileTest, EveryExampleLoadsAndTheirSettingsTakeEffect) {
    for (const auto& entry : std::filesystem::directory_iterator(Examples())) {
        std::string error;
        EXPECT_TRUE(CVirtualCard::FromFile(entry.path().string(), error)) << error;
    }
    std::string error;
    auto busy = CVirtualCard::FromFile(Examples() + "busy-recorder.ini", error,
                                       CVirtualCard::Clock::Manual);
    ASSERT_TRUE(busy) << error;
    EXPECT_EQ(busy->BusyAttemptsLeft(true, 0), 25);
    EXPECT_EQ(busy->Description().mixers.size(), 1u); // taken from the default card

    auto failing = CVirtualCard::FromFile(Examples() + "failing-mixer.ini", error);
    ASSERT_TRUE(failing) << error;
    const DWORD mute = failing->FindControlId(0, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                                              MIXERCONTROL_CONTROLTYPE_MUTE);
    MIXERCONTROLDETAILS_BOOLEAN value{1};
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof(d);
    d.dwControlID = mute;
    d.cChannels = 1;
    d.cbDetails = sizeof(value);
    d.paDetails = &value;
    const auto obj = reinterpret_cast<HMIXEROBJ>(std::uintptr_t(0));
    EXPECT_EQ(failing->mixerSetControlDetails(obj, &d, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(failing->mixerSetControlDetails(obj, &d, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(failing->mixerSetControlDetails(obj, &d, 0), MMSYSERR_ERROR);   // "after 2"
    EXPECT_EQ(failing->mixerSetControlDetails(obj, &d, 0), MMSYSERR_NOERROR); // "x1"
}

TEST_F(CardFileTest, FileNamesOfAWindows1252CardFileAreThisSystemsNames) {
    // "été" in the code page; the card's own name keeps its bytes.
    VirtualCardDesc card;
    std::string error;
    ASSERT_TRUE(ReadCardFile(Write("[Card]\nName=Carte \xE9t\xE9\n"
                                   "Microphone=file voix d'\xE9t\xE9.wav\n"
                                   "OutputFile=sortie \xE9t\xE9.wav\n"),
                             card, error))
        << error;
    EXPECT_EQ(card.name, "Carte \xE9t\xE9");
#if defined(_WIN32)
    // Windows names files in the code page: the bytes stay.
    EXPECT_EQ(card.microphone.file, dir.string() + "\\voix d'\xE9t\xE9.wav");
    EXPECT_EQ(card.outputFile, dir.string() + "\\sortie \xE9t\xE9.wav");
#else
    EXPECT_EQ(card.microphone.file, (dir / "voix d'\xC3\xA9t\xC3\xA9.wav").string());
    EXPECT_EQ(card.outputFile, (dir / "sortie \xC3\xA9t\xC3\xA9.wav").string());
#endif
}

TEST_F(CardFileTest, WrongFilesNameTheSectionAndKey) {
    EXPECT_NE(ErrorOf("[WaveOut 0]\nFormats=11025/12/1\n").find("[WaveOut 0] Formats"),
              std::string::npos);
    EXPECT_NE(ErrorOf("[WaveIn 1]\nName=x\n").find("WaveIn 0"), std::string::npos); // gap
    EXPECT_NE(ErrorOf("[Mixer 0 / Speakers 0]\n").find("is not a part of a card"),
              std::string::npos);
    EXPECT_NE(ErrorOf("[Mixer 0 / Destination 0 / Control 0]\nType=mux\n").find("Items"),
              std::string::npos);
    EXPECT_NE(ErrorOf("[Mixer 0 / Destination 0 / Control 0]\nType=volume\nValues=70000\n")
                  .find("outside Min..Max"),
              std::string::npos);
    EXPECT_NE(ErrorOf("[Mixer 0 / Destination 0 / Control 0]\nMax=ten\n").find("not a number"),
              std::string::npos);
    EXPECT_NE(
        ErrorOf("[Mixer 0 / Destination 0]\nType=kitchen\n").find("[Mixer 0 / Destination 0] Type"),
        std::string::npos);
    EXPECT_NE(ErrorOf("[Failures]\nwaveOutExplode=1\n").find("waveOutExplode"), std::string::npos);
    EXPECT_NE(ErrorOf("[Failures]\nwaveOutOpen=4 x2 later\n").find("later"), std::string::npos);
    EXPECT_NE(ErrorOf("[Card]\nMicrophone=sine 3000\n").find("Microphone"), std::string::npos);
    EXPECT_EQ(ErrorOf("[Card]\nName=Empty\n"), ""); // a card without devices is a card
    EXPECT_NE(ErrorOf("[WaveOut 0]\nSupport=volume,hover\n")
                  .find("[WaveOut 0] Support: \"hover\" is not a wave-out capability"),
              std::string::npos);
    EXPECT_NE(ErrorOf("[Mixer 0 / Destination 0]\nFlags=active,asleep\n")
                  .find("Flags: \"asleep\" is not active or disconnected"),
              std::string::npos);

    std::string error;
    EXPECT_FALSE(CVirtualCard::FromFile((dir / "absent.ini").string(), error));
    EXPECT_NE(error.find("absent.ini"), std::string::npos);
}

TEST_F(CardFileTest, FlagListsTakeNamesInAnyCase) {
    VirtualCardDesc card;
    std::string error;
    ASSERT_TRUE(ReadCardFile(Write("[WaveOut 0]\nSupport=Volume,SYNC,,pitch\n"
                                   "[Mixer 0 / Destination 0]\nFlags=Disconnected\n"
                                   "[Mixer 0 / Destination 0 / Control 0]\nType=mute\n"
                                   "Flags=disabled,Uniform\n"),
                             card, error))
        << error;
    ASSERT_EQ(card.waveOut.size(), 1u);
    EXPECT_EQ(card.waveOut[0].support, DWORD(WAVECAPS_VOLUME | WAVECAPS_SYNC | WAVECAPS_PITCH));
    const VirtualLine& line = card.mixers.at(0).destinations.at(0);
    EXPECT_EQ(line.flags, DWORD(MIXERLINE_LINEF_DISCONNECTED));
    EXPECT_EQ(line.controls.at(0).flags,
              DWORD(MIXERCONTROL_CONTROLF_DISABLED | MIXERCONTROL_CONTROLF_UNIFORM));
}

TEST_F(CardFileTest, SelectingTheBackendByName) {
    std::string error;
    ASSERT_TRUE(SelectSoundBackend("virtual:" + Examples() + "no-microphone.ini", error)) << error;
    EXPECT_EQ(CurrentSoundBackend().Name(), "virtual");
    MIXERCAPS caps{};
    ASSERT_EQ(mixerGetDevCaps(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Line-only Mixer");

    // A failed choice leaves the installed backend alone.
    EXPECT_FALSE(SelectSoundBackend("virtual:" + (dir / "absent.ini").string(), error));
    EXPECT_FALSE(SelectSoundBackend("virtual:", error));
    EXPECT_FALSE(SelectSoundBackend("loudspeaker", error));
    EXPECT_NE(error.find("loudspeaker"), std::string::npos);
    ASSERT_EQ(mixerGetDevCaps(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Line-only Mixer");

    ASSERT_TRUE(SelectSoundBackend("virtual", error));
    ASSERT_EQ(mixerGetDevCaps(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Virtual Mixer");
    InstallSoundBackend(nullptr);
}

} // namespace
