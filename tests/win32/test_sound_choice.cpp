// The sound choice on Windows. One program, run twice: with Wine offering a
// wave device (a null ALSA device), and with none
// (PELMORA_NO_SOUND_DEVICES=1, ALSA without devices).
#include "platform/mmsystem.h"
#include "platform/sound_backend.h"
#include "platform/sound_choice.h"
#include "platform/win32/winmm_backend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace plat;

namespace {

bool DevicesOffered() {
    return std::getenv("PELMORA_NO_SOUND_DEVICES") == nullptr;
}

class SoundChoice : public ::testing::Test {
protected:
    void TearDown() override { InstallSoundBackend(nullptr); }
};

} // namespace

TEST_F(SoundChoice, TheAutomaticChoiceIsWinmmWhenItHasADeviceElseTheVirtualCard) {
    std::string error;
    ASSERT_EQ(OpenWinmmBackend(error) != nullptr, DevicesOffered()) << "the run's own premise";
    ASSERT_TRUE(SelectSoundBackend("", error)) << error;
    if (DevicesOffered()) {
        EXPECT_EQ(CurrentSoundBackend().Name(), "winmm");
        EXPECT_FALSE(VirtualCardIsFallback());
    } else {
        EXPECT_EQ(CurrentSoundBackend().Name(), "virtual");
        EXPECT_TRUE(VirtualCardIsFallback());
        // An explicit choice of the virtual card is no fallback.
        ASSERT_TRUE(SelectSoundBackend("virtual", error));
        EXPECT_FALSE(VirtualCardIsFallback());
    }
}

TEST_F(SoundChoice, WinmmIsChosenByNameOnlyWhereItHasADevice) {
    std::string error;
    ASSERT_TRUE(SelectSoundBackend("virtual", error));
    const bool chosen = SelectSoundBackend("winmm", error);
    EXPECT_EQ(chosen, DevicesOffered()) << error;
    if (chosen) {
        EXPECT_EQ(CurrentSoundBackend().Name(), "winmm");
    } else {
        EXPECT_NE(error.find("no wave-out or wave-in device"), std::string::npos) << error;
        EXPECT_EQ(CurrentSoundBackend().Name(), "virtual") << "a failed choice changes nothing";
    }
    EXPECT_FALSE(VirtualCardIsFallback());
}

TEST_F(SoundChoice, LinuxBackendsAreUnknownHere) {
    std::string error;
    ASSERT_TRUE(SelectSoundBackend("virtual", error));
    for (const char* name : {"pulse", "alsa", "WINMM"}) {
        error.clear();
        EXPECT_FALSE(SelectSoundBackend(name, error)) << name;
        EXPECT_NE(error.find("unknown sound backend"), std::string::npos) << error;
        EXPECT_NE(error.find("winmm"), std::string::npos) << error;
    }
    EXPECT_EQ(CurrentSoundBackend().Name(), "virtual");
}

TEST_F(SoundChoice, TheChoiceOnFirstUseIsMadeByTheFirstCall) {
    SelectSoundBackendOnFirstUse();
    EXPECT_EQ(CurrentSoundBackend().Name(), DevicesOffered() ? "winmm" : "virtual");
    EXPECT_EQ(VirtualCardIsFallback(), !DevicesOffered());
}
