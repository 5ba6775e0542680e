// The speech recogniser's line of the microphone page, recorded through the
// real sheet on a virtual card: after Stop it says at once that the
// recogniser is listening, the page staying usable, then what it understood;
// a newer recording's line is never overwritten by an older one's; in German
// the page says that no recogniser for German is installed.
#include "SheetTestSuite.h"
#include "VerdictInputs.h"
#include "app/PropSheet.h"
#include "platform/files/directories.h"
#include "platform/sound_backend.h"
#include "platform/system/speech_recogniser.h"
#include "platform/system/trace.h"
#include "platform/virtual/VirtualCard.h"
#include "tests/support/HostCommand.h"
#include "texts/UiTexts.h"
#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/Testing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using plat::CVirtualCard;
using plat::MicrophoneSignal;
using verdict_inputs::FromFile;
using verdict_inputs::Signal;

namespace {

const std::string& Verdict(const char* key) {
    return UiText("Verdict", key);
}

std::string Counted(const char* key, int understood) {
    return FormatUiText(Verdict(key), {std::to_string(understood), "5"});
}

bool HaveEnglishModel() {
    plat::SpeechModel model;
    return plat::FindSpeechModel(plat::SpeechModelRoot(), "en", model);
}

class Page4Speech : public SheetTestSuite {
protected:
    static void SetUpTestSuite() {
        SheetTestSuite::SetUpTestSuite();
        s_app = new CWizardApp();
        s_app->CreateImageList();
    }
    static void TearDownTestSuite() {
        delete s_app;
        s_app = nullptr;
        SheetTestSuite::TearDownTestSuite();
    }

    void SetUp() override {
        m_card = std::make_shared<CVirtualCard>(verdict_inputs::MasterAtTheTop(),
                                                CVirtualCard::Clock::Manual);
        plat::InstallSoundBackend(m_card);
        fs::remove(Recording());
        ResetUiTexts();
        plat::SetTraceListener([this](int, const char* module, int, const char* text) {
            if (std::string(module) == "PropPage4")
                m_trace.push_back(text);
        });
    }
    // The test sentence said by espeak-ng, as the recogniser's tests make it.
    std::string Sentence() {
        const std::string file = plat::GetTempPath() + "page4-speech-sentence.wav";
        if (!fs::exists(file)) {
            EXPECT_EQ(hostcmd::Run("espeak-ng -v en-us+f2 -s 130 -w '" + hostcmd::HostPath(file) +
                                   "' 'I am testing the microphone.'"),
                      0);
        }
        return file;
    }
    bool HaveTools() { return HaveEnglishModel() && hostcmd::Have("espeak-ng"); }
    void OpenPage4() {
        m_sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(m_sheet->Create());
        m_sheet->m_mixerSetup.PrepareRecording();
        m_sheet->SetActivePage(1);
        m_sheet->SetActivePage(3);
        uitest::ProcessEvents(20);
        ASSERT_EQ(m_sheet->GetActivePage(), &m_sheet->m_page4);
    }
    void TearDown() override {
        plat::SetTraceListener(nullptr);
        if (m_sheet) {
            m_sheet->m_audioEngine.StopRecording();
            m_sheet->EndDialog(IDCANCEL);
            uitest::ProcessEvents(10);
            m_sheet.reset();
        }
        m_card->WaitCallbacks();
        plat::InstallSoundBackend(std::make_shared<CVirtualCard>());
        fs::remove(Recording());
        ResetUiTexts();
    }

    static std::string Recording() { return plat::GetTempPath() + "User.wav"; }

    CColorText& Line() { return *m_sheet->m_page4.GetDlgItemAs<CColorText>(1212); }
    CButton& StartButton() { return *m_sheet->m_page4.GetDlgItemAs<CButton>(1004); }

    void Record(const MicrophoneSignal& signal) {
        m_card->SetMicrophone(signal);
        uitest::Click(StartButton());
        uitest::ProcessEvents(10);
        ASSERT_TRUE(m_sheet->m_page4.IsRecording());
        EXPECT_FALSE(Line().IsWindowVisible()) << "hidden while recording";
        for (int ms = 0; ms < 3600; ms += 160) {
            m_card->AdvanceClock(160);
            uitest::ProcessEvents(2);
        }
    }
    void Stop() {
        uitest::Click(StartButton());
        ASSERT_FALSE(m_sheet->m_page4.IsRecording());
    }
    // Dispatches until the recogniser's result is in, at most 30 s.
    std::string Result() {
        for (int i = 0; i < 3000 && m_sheet->m_page4.IsCheckingSpeech(); ++i)
            uitest::ProcessEvents(10);
        EXPECT_FALSE(m_sheet->m_page4.IsCheckingSpeech());
        EXPECT_TRUE(Line().IsWindowVisible());
        return Line().GetText();
    }

    static inline CWizardApp* s_app = nullptr;
    std::shared_ptr<CVirtualCard> m_card;
    std::unique_ptr<CPropSheet> m_sheet;
    std::vector<std::string> m_trace;
};

TEST_F(Page4Speech, TheLineListensAtOnceThenSaysWhatWasUnderstood) {
    if (!HaveTools())
        GTEST_SKIP() << "no English speech model or no espeak-ng: scripts/deps.sh test "
                        "installs pocketsphinx-en-us and espeak-ng";
    OpenPage4();
    Record(FromFile(Sentence()));
    Stop();
    // Stop returned before the decode: the line says the recogniser listens,
    // under the verdict, and the page can record again.
    EXPECT_TRUE(m_sheet->m_page4.IsCheckingSpeech());
    EXPECT_TRUE(Line().IsWindowVisible());
    EXPECT_EQ(Line().GetText(), Verdict("Checking"));
    EXPECT_TRUE(StartButton().IsWindowEnabled());
    const CRect verdict = m_sheet->m_page4.GetDlgItem(1210)->GetRectInParent();
    EXPECT_GE(Line().GetRectInParent().top, verdict.bottom);
    EXPECT_LE(Line().GetRectInParent().bottom, m_sheet->m_page4.GetPageHeight());
    // The voice, looped by the virtual microphone and recorded at 11025 Hz,
    // keeps 4 of its 5 words for this recogniser: the pass mark.
    EXPECT_EQ(Result(), Counted("Understood", 4));
    std::string traced;
    for (const std::string& line : m_trace)
        traced += line + "\n";
    EXPECT_NE(traced.find("Speech recogniser: understood 4 of 5 words: "), std::string::npos)
        << traced;
}

TEST_F(Page4Speech, ANewerRecordingsLineIsNeverOverwrittenByAnOlderOnes) {
    if (!HaveTools())
        GTEST_SKIP() << "no English speech model or no espeak-ng: scripts/deps.sh test "
                        "installs pocketsphinx-en-us and espeak-ng";
    OpenPage4();
    // The sentence, then at once silence: the sentence's decode is still
    // running while the second recording runs and stops.
    Record(FromFile(Sentence()));
    Stop();
    Record(Signal(MicrophoneSignal::Kind::Silence));
    EXPECT_FALSE(Line().IsWindowVisible());
    Stop();
    EXPECT_EQ(Line().GetText(), Verdict("Checking"));
    EXPECT_EQ(Result(), Counted("NotUnderstood", 0));
    // Nothing older comes after it.
    for (int i = 0; i < 100; ++i)
        uitest::ProcessEvents(20);
    EXPECT_EQ(Line().GetText(), Counted("NotUnderstood", 0));
    // A new recording hides the line until its own result.
    Record(FromFile(Sentence()));
    for (int i = 0; i < 50; ++i)
        uitest::ProcessEvents(20);
    EXPECT_FALSE(Line().IsWindowVisible());
    Stop();
    EXPECT_EQ(Result(), Counted("Understood", 4));
}

TEST_F(Page4Speech, InGermanThePageSaysNoRecogniserForGermanIsInstalled) {
    const fs::path german =
        fs::path(std::getenv("PELMORA_SOURCE_DIR")) / "resources" / "lang" / "de.INI";
    const fs::path copy = plat::GetTempPath() + "page4-speech-de.INI";
    fs::copy_file(german, copy, fs::copy_options::overwrite_existing);
    LoadUiTextsFrom(copy.string());
    ASSERT_EQ(UiText("PropP4", "SentenceLanguage"), "de");
    OpenPage4();
    Record(Signal(MicrophoneSignal::Kind::Voice));
    Stop();
    const std::string line = Result();
    EXPECT_EQ(line, Verdict("NoRecogniser"));
    EXPECT_NE(line.find("Deutsch"), std::string::npos) << line;
    fs::remove(copy);
}

} // namespace
