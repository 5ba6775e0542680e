// The microphone page's automatic level in the real sheet, on a virtual card
// whose microphone is a hot one: the test sentence made louder by sox, so that
// it clips at full volume, heard through a recording master at full volume so
// that the page's slider alone sets the gain. The card's clock is stepped one
// recorder buffer (160 ms) at a time and the page's level timer is run after
// each, as its 20 ms ticks would.
#include "app/PropSheet.h"
#include "audio/MeasureLevel.h"
#include "audio/WaveRecorder.h"
#include "platform/sound_backend.h"
#include "platform/virtual/VirtualCard.h"
#include "tests/support/HostCommand.h"
#include "texts/UiTexts.h"
#include "ui/CheckBox.h"
#include "ui/ColorText.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"

#include "SheetTestSuite.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;
using plat::CVirtualCard;

namespace {

constexpr int kBufferMs = 160;
// One pass of the test sentence, with its pauses: 3.26 s.
constexpr int kSentenceBuffers = 21;
// Five seconds of reading.
constexpr int kFiveSeconds = 5000 / kBufferMs + 1;

// The default card with its recording master at full volume.
plat::VirtualCardDesc HotCard() {
    plat::VirtualCardDesc desc = plat::DefaultCardDesc();
    for (plat::VirtualLine& line : desc.mixers.at(0).destinations)
        if (line.componentType == plat::MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
            for (plat::VirtualControl& c : line.controls)
                if (c.type == plat::MIXERCONTROL_CONTROLTYPE_VOLUME)
                    c.values.assign(c.values.size(), c.maximum);
    return desc;
}

class AutoLevelTest : public SheetTestSuite {
protected:
    static void SetUpTestSuite() {
        SheetTestSuite::SetUpTestSuite();
        s_app = new CWizardApp();
        s_app->CreateImageList();
        // The sentence twice as loud: its loudest sounds clip.
        s_hot = (s_temp / "hot-sentence.wav").string();
        const fs::path voice =
            fs::path(std::getenv("PELMORA_SOURCE_DIR")) / "resources" / "voice" / "voice.wav";
        const std::string command =
            "sox -V1 '" + hostcmd::HostPath(voice) + "' '" + hostcmd::HostPath(s_hot) + "' vol 2";
        ASSERT_EQ(hostcmd::Run(command), 0) << command;
    }
    static void TearDownTestSuite() {
        delete s_app;
        SheetTestSuite::TearDownTestSuite();
    }

    void TearDown() override {
        if (m_sheet) {
            m_sheet->m_audioEngine.StopRecording();
            m_sheet->EndDialog(IDCANCEL);
            uitest::ProcessEvents(10);
        }
        m_sheet.reset();
        if (m_card)
            m_card->WaitCallbacks();
        plat::InstallSoundBackend(std::make_shared<CVirtualCard>());
    }

    // The sheet on page 4 with the hot microphone selected at `volume`.
    void Open(int volume) {
        m_card = std::make_shared<CVirtualCard>(HotCard(), CVirtualCard::Clock::Manual);
        plat::MicrophoneSignal hot;
        hot.kind = plat::MicrophoneSignal::Kind::File;
        hot.file = s_hot;
        m_card->SetMicrophone(hot);
        plat::InstallSoundBackend(m_card);
        ResetUiTexts();
        m_sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(m_sheet->Create());
        m_sheet->m_mixerSetup.PrepareRecording();
        m_sheet->m_mixerSetup.SetRecordingVolume(volume);
        m_sheet->SetActivePage(1);
        m_sheet->SetActivePage(3);
        uitest::ProcessEvents(20);
        ASSERT_EQ(m_sheet->GetActivePage(), &Page());
    }

    CPropPage4& Page() { return m_sheet->m_page4; }
    template <class T> T& Item(int id) {
        T* item = Page().GetDlgItemAs<T>(id);
        EXPECT_NE(item, nullptr) << id;
        return *item;
    }
    CSliderCtrl& Slider() { return Item<CSliderCtrl>(1018); }
    CCheckBox& Box() { return Item<CCheckBox>(CPropPage4::kAutoLevelBox); }
    int RecordingVolume() {
        int v = -2;
        m_sheet->m_mixerSetup.GetRecordingVolume(v);
        return v;
    }
    const CWaveRecorder& Recorder() { return m_sheet->m_audioEngine.Recorder(); }

    void ClickStart() {
        uitest::Click(Item<CButton>(1004));
        uitest::ProcessEvents(10);
    }
    // One buffer of the microphone, then the page's level timer; answers the
    // buffer's peak.
    int Buffer() {
        m_card->AdvanceClock(kBufferMs);
        Page().OnTimer(CPropPage4::kLevelTimer);
        return Recorder().GetPeak();
    }
    // The loudest peak of one pass of the sentence, in dBFS; `steady` tells
    // whether the volume stayed where it was meanwhile.
    double SentencePeakDb(bool* steady = nullptr) {
        const int before = Slider().GetPos();
        int loudest = 0;
        for (int i = 0; i < kSentenceBuffers; ++i)
            loudest = std::max(loudest, Buffer());
        if (steady != nullptr)
            *steady = Slider().GetPos() == before;
        return PeakDbfs(loudest);
    }

    static inline CWizardApp* s_app = nullptr;
    static inline std::string s_hot;
    std::shared_ptr<CVirtualCard> m_card;
    std::unique_ptr<CPropSheet> m_sheet;
};

TEST_F(AutoLevelTest, FromTenPercentTheSentenceReachesTheTargetWithinFiveSeconds) {
    Open(1000);
    EXPECT_EQ(Box().GetCheck(), BST_CHECKED); // ticked from the start
    ClickStart();
    ASSERT_TRUE(Page().IsAutoLevelActive());
    // At 10 % the sentence's first words peak near -20 dBFS.
    int first = 0;
    for (int i = 0; i < 5; ++i)
        first = std::max(first, Buffer());
    EXPECT_LT(PeakDbfs(first), -15);
    EXPECT_GT(PeakDbfs(first), -30);
    for (int i = 5; i < kFiveSeconds; ++i)
        Buffer();
    bool steady = false;
    const double peak = SentencePeakDb(&steady);
    EXPECT_GE(peak, -9);
    EXPECT_LE(peak, -3);
    EXPECT_TRUE(steady);
    EXPECT_FALSE(Recorder().HasClipped());
    // The slider shows the volume the mixer holds.
    EXPECT_GT(Slider().GetPos(), 3000);
    EXPECT_NEAR(Slider().GetPos(), RecordingVolume(), 1);
}

TEST_F(AutoLevelTest, FromFullVolumeItComesDownAtTheFirstClipAndSettles) {
    Open(10000);
    ClickStart();
    // The pause before the sentence changes nothing; its first sound above
    // the target drops the volume on the same tick.
    int buffers = 0;
    int peak = 0;
    while (Slider().GetPos() == 10000 && buffers < kSentenceBuffers) {
        peak = Buffer();
        ++buffers;
    }
    ASSERT_LT(Slider().GetPos(), 10000) << "the hot sentence never lowered the volume";
    EXPECT_GT(PeakDbfs(peak), -3);
    EXPECT_GT(buffers, 1);
    EXPECT_NEAR(Slider().GetPos(), RecordingVolume(), 1);

    for (int i = buffers; i < kFiveSeconds; ++i)
        Buffer();
    bool steady = false;
    const double settled = SentencePeakDb(&steady);
    EXPECT_GE(settled, -9);
    EXPECT_LE(settled, -3);
    EXPECT_TRUE(steady);
    EXPECT_NEAR(Slider().GetPos(), RecordingVolume(), 1);
}

TEST_F(AutoLevelTest, TheUsersMoveOfTheSliderStopsItForTheRestOfTheRecording) {
    Open(1000);
    ClickStart();
    for (int i = 0; i < 3; ++i)
        Buffer();
    uitest::DragSlider(Slider(), 2000);
    EXPECT_FALSE(Page().IsAutoLevelActive());
    for (int i = 0; i < kFiveSeconds; ++i)
        Buffer();
    EXPECT_EQ(Slider().GetPos(), 2000);
    EXPECT_NEAR(RecordingVolume(), 2000, 1);
    // The box stays ticked: the next recording adjusts again.
    EXPECT_EQ(Box().GetCheck(), BST_CHECKED);
    ClickStart();
    ClickStart();
    EXPECT_TRUE(Page().IsAutoLevelActive());
    for (int i = 0; i < kFiveSeconds; ++i)
        Buffer();
    EXPECT_GT(Slider().GetPos(), 2000);
}

TEST_F(AutoLevelTest, WithTheBoxUntickedNothingChangesUntilItIsTicked) {
    Open(1000);
    uitest::Click(Box());
    ASSERT_EQ(Box().GetCheck(), BST_UNCHECKED);
    const int before = Slider().GetPos();
    ClickStart();
    EXPECT_FALSE(Page().IsAutoLevelActive());
    for (int i = 0; i < kFiveSeconds; ++i)
        Buffer();
    EXPECT_EQ(Slider().GetPos(), before);
    EXPECT_EQ(RecordingVolume(), before);
    // Ticked while the recording runs, it takes over from what it hears next.
    uitest::Click(Box());
    EXPECT_TRUE(Page().IsAutoLevelActive());
    for (int i = 0; i < kFiveSeconds; ++i)
        Buffer();
    EXPECT_GT(Slider().GetPos(), before);
    EXPECT_NEAR(Slider().GetPos(), RecordingVolume(), 1);
    // Stopped, the page leaves the volume where it is.
    ClickStart();
    EXPECT_FALSE(Page().IsAutoLevelActive());
}

// The verdict after a recording the automatic level ran through: never a
// request to undo what it did.
TEST_F(AutoLevelTest, AVerdictAfterTheLevelSaysWhatTheWizardDidAndNeverUndoesIt) {
    auto verdict = [this] { return Item<CColorText>(1210).GetWindowText(); };
    auto percent = [this] { return std::to_string((Slider().GetPos() + 50) / 100); };

    // Settled from 10 %: judged from where it settled, Good, the volume left.
    Open(1000);
    ClickStart();
    for (int i = 0; i < kFiveSeconds + kSentenceBuffers; ++i)
        Buffer();
    int settled = Slider().GetPos();
    ClickStart();
    EXPECT_EQ(verdict(), UiText("Verdict", "Good"));
    EXPECT_EQ(Slider().GetPos(), settled);

    // Stopped soon after the first clip lowered it: the recording is half
    // at full volume and clipped, too little came after the change to judge
    // it alone, and the level already came down; the verdict says so and
    // does not lower it again.
    TearDown();
    Open(10000);
    ClickStart();
    for (int i = 0; i < kSentenceBuffers && Slider().GetPos() == 10000; ++i)
        Buffer();
    const int lowered = Slider().GetPos();
    ASSERT_LT(lowered, 10000);
    for (int i = 0; i < 8; ++i)
        Buffer();
    ASSERT_EQ(Slider().GetPos(), lowered);
    ClickStart();
    EXPECT_EQ(Slider().GetPos(), lowered);
    EXPECT_NEAR(RecordingVolume(), lowered, 1);
    EXPECT_EQ(verdict(), FormatUiText(UiText("Verdict", "Lowered"), {percent()}));

    // The user's own move ends the level's part: the verdict's own words.
    TearDown();
    Open(10000);
    ClickStart();
    Buffer();
    uitest::DragSlider(Slider(), 9000);
    for (int i = 0; i < kSentenceBuffers; ++i)
        Buffer();
    ClickStart();
    EXPECT_EQ(Slider().GetPos(), 9000);
    EXPECT_EQ(verdict(), UiText("Verdict", "TooLoud"));
}

TEST_F(AutoLevelTest, TheBoxSitsInTheGroupsRightColumnOnTheHelpLine) {
    Open(4500);
    const CRect box = Item<CWnd>(CPropPage4::kAutoLevelBox).GetRectInParent();
    const CRect label = Item<CWnd>(CPropPage4::kAutoLevelLabel).GetRectInParent();
    const CRect help = Item<CWnd>(1074).GetRectInParent();
    const CRect helpText = Item<CWnd>(1077).GetRectInParent();
    const CRect group = Item<CWnd>(1058).GetRectInParent();
    std::string text = Item<CColorText>(CPropPage4::kAutoLevelLabel).GetWindowText();
    std::replace(text.begin(), text.end(), '\n', ' ');
    EXPECT_EQ(text, UiText("PropP4", "AutoLevel"));
    for (const CRect& r : {box, label}) {
        EXPECT_GE(r.left, help.right);
        EXPECT_GE(r.left, 180); // the right column
        EXPECT_LE(r.right, group.right);
        EXPECT_LE(r.bottom, group.bottom);
        EXPECT_LE(r.right, Page().GetPageWidth());
        EXPECT_LE(r.bottom, Page().GetPageHeight());
        // On the help line's row.
        EXPECT_LT(r.top, help.bottom);
        EXPECT_GT(r.bottom, help.top);
        EXPECT_FALSE(r.left < helpText.right && helpText.left < r.right &&
                     r.top < helpText.bottom && helpText.top < r.bottom);
    }
    EXPECT_LE(box.right, label.left);
    // Below the slider, and the closing line below the group.
    EXPECT_GE(label.top, Slider().GetRectInParent().bottom);
    EXPECT_GE(Item<CWnd>(1056).GetRectInParent().top, group.bottom);
}

} // namespace
