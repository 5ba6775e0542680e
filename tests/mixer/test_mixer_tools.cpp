#include "MixerTestCard.h"
#include "mixer/MixerTools.h"

#include <unistd.h>

#include <filesystem>
#include <sstream>

using namespace mixtest;
namespace fs = std::filesystem;

namespace {

constexpr DWORD SPEAKERS = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
constexpr DWORD VOLUME = MIXERCONTROL_CONTROLTYPE_VOLUME;

TEST(MixerTools, ReportPrintsTheDescriptionLines) {
    auto card = Install(Card({Mixer({Line("Spk", SPEAKERS, {Volume(1)})}, "Board")}));
    std::ostringstream out;
    EXPECT_EQ(ReportMixer(out), 1);
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("Nombre de Mixers : 1\n*****************Mixer n°0*******************\n"
                         "Nom : Board\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("Type : MIXERCONTROL_CONTROLTYPE_VOLUME\n"), std::string::npos);

    // The listener is gone afterwards.
    EXPECT_FALSE(TraceBound());

    InstallSoundBackend(std::make_shared<CVirtualCard>(Card({})));
    std::ostringstream none;
    EXPECT_EQ(ReportMixer(none), 0);
    EXPECT_EQ(none.str(), "Nombre de Mixers : 0\nNo mixer device present\n");
}

TEST(MixerTools, SaveAndRestoreByHandKeepTheFile) {
    const fs::path dir = fs::temp_directory_path() / ("mixer_tools_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string file = (dir / "machine.ser").string();
    auto card = Install(Card({Mixer({Line("Spk", SPEAKERS, {Volume(1234)})})}));
    std::ostringstream out, err;

    EXPECT_EQ(RunSaveMixer({file}, out, err), 0) << err.str();
    card->SetControlValues(0, card->FindControlId(0, SPEAKERS, VOLUME), {4321});
    EXPECT_EQ(RunRestoreMixer({file}, out, err), 0) << err.str();
    EXPECT_EQ(Value(*card, 0, SPEAKERS, VOLUME), 1234);
    EXPECT_TRUE(fs::exists(file));

    std::ostringstream err2;
    EXPECT_EQ(RunRestoreMixer({(dir / "none.ser").string()}, out, err2), 1);
    EXPECT_EQ(err2.str(), "pelmora: Error : opening file " + (dir / "none.ser").string() + "\n");
    EXPECT_EQ(RunSaveMixer({}, out, err2), 2);
    fs::remove_all(dir);
}

} // namespace
