// The audio-level page's left and right speaker buttons in the real sheet, on
// a virtual card that writes what it plays to a WAVE file when its wave-out
// device closes: each voice comes out on its own channel only, and the
// buttons wait while the music plays.
#include "app/PropSheet.h"
#include "audio/AudioEngine.h"
#include "platform/embedded/resources.h"
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"
#include "platform/virtual/WaveData.h"
#include "resources/ProgramResources.h"
#include "texts/UiTexts.h"
#include "ui/Button.h"
#include "ui/Testing.h"

#include "SheetTestSuite.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;
using namespace plat;

namespace {

// The largest |sample| of one channel of 16-bit stereo.
int ChannelPeak(const WaveData& wave, int channel) {
    int peak = 0;
    for (std::size_t i = 2 * static_cast<std::size_t>(channel); i + 1 < wave.samples.size(); i += 4)
        peak =
            std::max(peak, std::abs(int(std::int16_t(wave.samples[i] | wave.samples[i + 1] << 8))));
    return peak;
}

class SpeakerButtonsTest : public SheetTestSuite {
protected:
    static void SetUpTestSuite() {
        SheetTestSuite::SetUpTestSuite();
        RegisterProgramResources();
    }
    void TearDown() override {
        if (sheet && sheet->IsOpen())
            sheet->EndDialog(IDCANCEL);
        sheet.reset();
        PlaySound(nullptr, nullptr, 0);
        if (card)
            card->WaitCallbacks();
        InstallSoundBackend(std::make_shared<CVirtualCard>());
        fs::remove(Played());
    }

    static std::string Played() { return (s_temp / "played.wav").string(); }

    void OpenOnPage3() {
        VirtualCardDesc desc = DefaultCardDesc();
        desc.outputFile = Played();
        card = std::make_shared<CVirtualCard>(std::move(desc), CVirtualCard::Clock::Manual);
        InstallSoundBackend(card);
        sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(sheet->Create());
        uitest::ProcessEvents();
        ASSERT_TRUE(sheet->SetActivePage(2));
        uitest::ProcessEvents();
    }
    CButton& Button(int id) { return *sheet->m_page3.GetDlgItemAs<CButton>(id); }
    CButton& Left() { return Button(CPropPage3::kLeftButton); }
    CButton& Right() { return Button(CPropPage3::kRightButton); }

    // Clicks `button`, lets the card play until the sound ends and its device
    // closes, and reads what it played.
    WaveData PlayThrough(CButton& button) {
        fs::remove(Played());
        uitest::Click(button);
        uitest::ProcessEvents();
        // The player's own thread queues its buffers at its own pace.
        for (int i = 0; i < 400 && !fs::exists(Played()); ++i) {
            card->AdvanceClock(20);
            uitest::ProcessEvents(2);
        }
        WaveData played;
        std::string error;
        EXPECT_TRUE(ReadWaveFile(Played(), played, error)) << error;
        return played;
    }
    // The samples of WAVE resource `id`.
    static WaveData Resource(unsigned id) {
        ResourceData data;
        WaveData wave;
        std::string error;
        EXPECT_TRUE(FindResource("WAVE", id, data));
        EXPECT_TRUE(ParseWave(data.data, data.size, wave, error)) << error;
        return wave;
    }

    std::shared_ptr<CVirtualCard> card;
    std::unique_ptr<CPropSheet> sheet;
};

TEST_F(SpeakerButtonsTest, EachVoiceIsPlayedOnItsOwnChannelOnly) {
    OpenOnPage3();
    EXPECT_EQ(Left().GetTooltipText(), UiText("PropP3", "LeftTip"));
    EXPECT_EQ(Right().GetTooltipText(), UiText("PropP3", "RightTip"));
    ASSERT_TRUE(Left().IsWindowEnabled());

    const WaveData left = PlayThrough(Left());
    ASSERT_EQ(left.format.nChannels, 2);
    ASSERT_EQ(left.format.wBitsPerSample, 16);
    EXPECT_GT(ChannelPeak(left, 0), 16000); // a voice, loud and clear
    EXPECT_EQ(ChannelPeak(left, 1), 0);
    // All of it, as it was made.
    EXPECT_EQ(left.samples, Resource(kLeftVoiceResource).samples);

    const WaveData right = PlayThrough(Right());
    ASSERT_EQ(right.format.nChannels, 2);
    EXPECT_EQ(ChannelPeak(right, 0), 0);
    EXPECT_GT(ChannelPeak(right, 1), 16000);
    EXPECT_EQ(right.samples, Resource(kRightVoiceResource).samples);
    // The music never started.
    EXPECT_FALSE(sheet->m_page3.IsPlaying());
    EXPECT_FALSE(sheet->m_musicStarted);
}

TEST_F(SpeakerButtonsTest, TheButtonsWaitWhileTheMusicPlays) {
    OpenOnPage3();
    uitest::Click(Button(1001));
    uitest::ProcessEvents();
    ASSERT_TRUE(sheet->m_page3.IsPlaying());
    EXPECT_FALSE(Left().IsWindowEnabled());
    EXPECT_FALSE(Right().IsWindowEnabled());
    // A click on a disabled button leaves the music playing.
    uitest::Click(Left());
    uitest::ProcessEvents();
    card->AdvanceClock(500);
    EXPECT_TRUE(sheet->m_page3.IsPlaying());
    // What the device played since it opened is the music, not a voice.
    const std::vector<std::uint8_t> played = card->CapturedOutput(0);
    const WaveData music = Resource(kMusicResource);
    ASSERT_GT(played.size(), 0u);
    ASSERT_LE(played.size(), music.samples.size());
    EXPECT_TRUE(std::equal(played.begin(), played.end(), music.samples.begin()));

    uitest::Click(Button(1001));
    uitest::ProcessEvents();
    ASSERT_FALSE(sheet->m_page3.IsPlaying());
    EXPECT_TRUE(Left().IsWindowEnabled());
    EXPECT_TRUE(Right().IsWindowEnabled());
    // Back and again on the page after playing: still usable.
    sheet->PressButton(ID_WIZBACK);
    uitest::ProcessEvents();
    ASSERT_TRUE(sheet->SetActivePage(2));
    uitest::ProcessEvents();
    EXPECT_TRUE(Left().IsWindowEnabled());
}

} // namespace
