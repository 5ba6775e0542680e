// The verdict line of the microphone page, recorded through the real sheet on
// a virtual card whose microphone follows the recording volume: what the
// microphone hears (silence, hiss, the test sentence quiet, drowned in noise,
// clipped or as it should be) and where the slider stands decide the verdict
// shown after Stop. Under it the speech recogniser's line says at once that
// it listens, the page staying usable, then what it understood; a newer
// recording's line is never overwritten by an older one's; in German it says
// that no recogniser for German is installed.
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
#include "ui/Edit.h"
#include "ui/SliderCtrl.h"
#include "ui/Testing.h"

#include <gtest/gtest.h>

#include <cstdio>
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

constexpr int kVerdictId = 1210;

const std::string& Verdict(const char* key) {
    return UiText("Verdict", key);
}

// The speech recogniser's line with its count of the sentence's 5 words.
std::string Understood(const char* key, int words) {
    return FormatUiText(Verdict(key), {std::to_string(words), "5"});
}

constexpr const char* kNoSpokenSentence =
    "no English speech model or no espeak-ng: scripts/deps.sh test installs "
    "pocketsphinx-en-us and espeak-ng";

class Page4Verdict : public SheetTestSuite {
protected:
    static void SetUpTestSuite() {
        SheetTestSuite::SetUpTestSuite();
        s_app = new CWizardApp();
        s_app->CreateImageList();
        s_files = s_temp / "inputs";
        fs::create_directories(s_files);
        // The test sentence as the virtual microphone says it.
        std::string error;
        ASSERT_TRUE(verdict_inputs::WriteVoiceOverNoise(Input("voice.wav"), 1.0, 0, error))
            << error;
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
        m_sheet = std::make_unique<CPropSheet>();
        ASSERT_TRUE(m_sheet->Create());
        m_sheet->m_mixerSetup.PrepareRecording();
        m_sheet->SetActivePage(1);
        m_sheet->SetActivePage(3);
        uitest::ProcessEvents(20);
        ASSERT_EQ(m_sheet->GetActivePage(), &m_sheet->m_page4);
        plat::SetTraceListener([this](int, const char* module, int, const char* text) {
            if (std::string(module) == "PropPage4")
                m_trace.push_back(text);
        });
    }
    void TearDown() override {
        plat::SetTraceListener(nullptr);
        m_sheet->m_audioEngine.StopRecording();
        m_sheet->EndDialog(IDCANCEL);
        uitest::ProcessEvents(10);
        m_sheet.reset();
        m_card->WaitCallbacks();
        plat::InstallSoundBackend(std::make_shared<CVirtualCard>());
        fs::remove(Recording());
    }

    static std::string Recording() { return plat::GetTempPath() + "User.wav"; }
    static std::string Input(const std::string& name) { return (s_files / name).string(); }

    CColorText& Line() { return *m_sheet->m_page4.GetDlgItemAs<CColorText>(kVerdictId); }
    CColorText& SpeechLine() { return *m_sheet->m_page4.GetDlgItemAs<CColorText>(1212); }
    // Dispatches until the speech recogniser's result is in, at most 30 s;
    // answers its line.
    std::string SpeechResult() {
        for (int i = 0; i < 3000 && m_sheet->m_page4.IsCheckingSpeech(); ++i)
            uitest::ProcessEvents(10);
        EXPECT_FALSE(m_sheet->m_page4.IsCheckingSpeech());
        EXPECT_TRUE(SpeechLine().IsWindowVisible());
        return SpeechLine().GetText();
    }
    // The test sentence said by espeak-ng, as the recogniser's own tests make
    // it; "" (the test then skips) without espeak-ng or the English model.
    static std::string SpokenSentence() {
        plat::SpeechModel model;
        if (!hostcmd::Have("espeak-ng") ||
            !plat::FindSpeechModel(plat::SpeechModelRoot(), "en", model))
            return "";
        const std::string file = Input("spoken.wav");
        if (!fs::exists(file)) {
            EXPECT_EQ(hostcmd::Run("espeak-ng -v en-us+f2 -s 130 -w '" + hostcmd::HostPath(file) +
                                   "' 'I am testing the microphone.'"),
                      0);
        }
        return file;
    }
    CButton& StartButton() { return *m_sheet->m_page4.GetDlgItemAs<CButton>(1004); }

    // Records what the microphone hears, the slider at `volume`, for the
    // sentence's length and a little more, then stops; answers the line.
    std::string RecordAndStop(const MicrophoneSignal& signal, int volume) {
        m_card->SetMicrophone(signal);
        m_trace.clear();
        uitest::Click(StartButton());
        uitest::ProcessEvents(10);
        EXPECT_TRUE(m_sheet->m_page4.IsRecording());
        // The user sets the slider as the recording begins.
        uitest::DragSlider(*m_sheet->m_page4.GetDlgItemAs<CSliderCtrl>(1018), volume);
        EXPECT_FALSE(Line().IsWindowVisible()) << "hidden while recording";
        for (int ms = 0; ms < 3600; ms += 160) {
            m_card->AdvanceClock(160);
            uitest::ProcessEvents(2);
        }
        uitest::Click(StartButton());
        uitest::ProcessEvents(10);
        EXPECT_FALSE(m_sheet->m_page4.IsRecording());
        EXPECT_TRUE(Line().IsWindowVisible());
        return Line().GetText();
    }
    // The figures the page wrote to the trace log for the last recording.
    std::string Traced() const {
        std::string all;
        for (const std::string& line : m_trace)
            all += line + "\n";
        return all;
    }

    static inline CWizardApp* s_app = nullptr;
    static inline fs::path s_files;
    std::shared_ptr<CVirtualCard> m_card;
    std::unique_ptr<CPropSheet> m_sheet;
    std::vector<std::string> m_trace;
};

TEST_F(Page4Verdict, WhatTheMicrophoneHeardDecidesTheVerdict) {
    std::vector<verdict_inputs::Scene> scenes;
    std::string error;
    ASSERT_TRUE(verdict_inputs::MakeScenes(s_files.string() + "/", scenes, error)) << error;
    for (const verdict_inputs::Scene& scene : scenes) {
        const std::string line = RecordAndStop(scene.signal, scene.volume);
        EXPECT_EQ(line, Verdict(scene.verdict)) << scene.what << "\n" << Traced();
        EXPECT_NE(Traced().find(std::string("Recording verdict ") + scene.verdict + ": "),
                  std::string::npos)
            << scene.what << "\n"
            << Traced();
        EXPECT_NE(Traced().find("noise floor"), std::string::npos) << Traced();
    }
}

TEST_F(Page4Verdict, RecordingsMadeWithSoxAreJudgedAsTheyWereMade) {
    if (!hostcmd::Have("sox"))
        GTEST_SKIP() << "sox is missing: scripts/deps.sh test installs it";
    auto sox = [](const std::string& args) {
        const std::string command = "sox -V1 " + args;
        ASSERT_EQ(hostcmd::Run(command), 0) << command;
    };
    // The files as sox names them.
    auto file = [](const std::string& name) { return "'" + hostcmd::HostPath(Input(name)) + "'"; };
    const std::string voice = file("voice.wav");
    // Ten times too loud: sox clips it, as a microphone's own amplifier would.
    sox(voice + " " + file("shouted.wav") + " vol 10");
    // The sentence with hiss mixed in, the whole brought to -6 dBFS.
    sox("-D -n -r 11025 -b 16 -c 1 " + file("hiss.wav") + " synth 3.3 whitenoise vol 0.1");
    sox("-D -m " + voice + " " + file("hiss.wav") + " " + file("noisy.wav") + " gain -n -6");
    // The sentence as it is, a little quieter.
    sox("-D " + voice + " " + file("clean.wav") + " gain -n -6");
    // The sentence through a hands-free headset's 8 kHz line: nothing above
    // 4 kHz.
    sox("-D " + voice + " " + file("phone.wav") + " rate 8000 rate 11025 gain -n -6");

    EXPECT_EQ(RecordAndStop(FromFile(Input("shouted.wav")), 10000), Verdict("TooLoud")) << Traced();
    EXPECT_EQ(RecordAndStop(FromFile(Input("noisy.wav")), 10000), Verdict("TooNoisy")) << Traced();
    EXPECT_EQ(RecordAndStop(FromFile(Input("clean.wav")), 10000), Verdict("Good")) << Traced();
    EXPECT_EQ(RecordAndStop(FromFile(Input("phone.wav")), 10000),
              Verdict("Good") + " " + Verdict("NarrowBand"))
        << Traced();
    // The slider far left makes the clean sentence too quiet.
    EXPECT_EQ(RecordAndStop(FromFile(Input("clean.wav")), 500), Verdict("TooQuiet")) << Traced();
}

TEST_F(Page4Verdict, TheLineShowsAfterStopOnThePageAndGoesOnStartOrAWarning) {
    EXPECT_FALSE(Line().IsWindowVisible()) << "no recording yet";
    EXPECT_EQ(RecordAndStop(Signal(MicrophoneSignal::Kind::Voice), 6000), Verdict("Good"));

    // In the page's own font and colour, below the recording group, in the
    // closing line's place, within the page.
    const CColorText& closing = *m_sheet->m_page4.GetDlgItemAs<CColorText>(1056);
    EXPECT_EQ(Line().GetFontId(), closing.GetFontId());
    EXPECT_EQ(Line().GetColor(), m_sheet->m_page4.GetDlgItemAs<CColorText>(1061)->GetColor());
    const CRect line = Line().GetRectInParent();
    EXPECT_GE(line.top, m_sheet->m_page4.GetDlgItem(1058)->GetRectInParent().bottom);
    EXPECT_EQ(line.top, closing.GetRectInParent().top);
    EXPECT_FALSE(closing.IsWindowVisible());
    // Every verdict's text fits the page.
    for (const char* key : {"NoVoice", "TooQuiet", "TooLoud", "TooNoisy", "Good"}) {
        const CSize size =
            Line().GetTextExtent(Verdict(key) + " " + Verdict("NarrowBand"), line.Width());
        EXPECT_LE(line.left + size.cx, m_sheet->m_page4.GetPageWidth()) << key;
        EXPECT_LE(line.top + size.cy, m_sheet->m_page4.GetPageHeight()) << key;
    }

    // Start hides it while the next recording runs; Stop brings the new one.
    m_card->SetMicrophone(Signal(MicrophoneSignal::Kind::Silence));
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    EXPECT_FALSE(Line().IsWindowVisible());
    EXPECT_TRUE(closing.IsWindowVisible());
    m_card->AdvanceClock(1000);
    uitest::ProcessEvents(10);
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    EXPECT_TRUE(Line().IsWindowVisible());
    EXPECT_EQ(Line().GetText(), Verdict("NoVoice"));

    // A recording too short to keep warns instead: the warning line wins.
    m_card->SetMicrophone(Signal(MicrophoneSignal::Kind::Voice));
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    m_card->AdvanceClock(100);
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    EXPECT_TRUE(m_sheet->m_page4.GetDlgItem(1085)->IsWindowVisible());
    EXPECT_FALSE(Line().IsWindowVisible());
    EXPECT_FALSE(closing.IsWindowVisible());
}

TEST_F(Page4Verdict, AWarningAfterTheVerdictTakesItsPlace) {
    EXPECT_EQ(RecordAndStop(Signal(MicrophoneSignal::Kind::Voice), 6000), Verdict("Good"));
    // The recording is gone when the user replays it: the replay warns.
    fs::remove(Recording());
    uitest::Click(*m_sheet->m_page4.GetDlgItemAs<CButton>(1064));
    uitest::ProcessEvents(50);
    EXPECT_TRUE(m_sheet->m_page4.GetDlgItem(1085)->IsWindowVisible());
    EXPECT_FALSE(Line().IsWindowVisible());
    EXPECT_FALSE(m_sheet->m_page4.GetDlgItem(1056)->IsWindowVisible());
}

TEST_F(Page4Verdict, ARecordingThatCannotBeMeasuredSaysWhy) {
    // What the recorder wrote is replaced, before the page reads it, by a
    // file that is no WAVE: the line names the file and the reason.
    m_card->SetMicrophone(Signal(MicrophoneSignal::Kind::Voice));
    uitest::Click(StartButton());
    uitest::ProcessEvents(10);
    m_card->AdvanceClock(480);
    uitest::ProcessEvents(10);
    m_sheet->m_audioEngine.StopRecording();
    {
        FILE* file = std::fopen(Recording().c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("not a recording", file);
        std::fclose(file);
    }
    m_trace.clear();
    uitest::Click(StartButton()); // the page stops: the engine has nothing more to stop
    uitest::ProcessEvents(10);
    ASSERT_FALSE(m_sheet->m_page4.IsRecording());
    EXPECT_TRUE(Line().IsWindowVisible());
    EXPECT_EQ(Line().GetText().find(Recording() + ": "), 0u) << Line().GetText();
    EXPECT_NE(Traced().find("Recording not measured: " + Recording()), std::string::npos)
        << Traced();
}

TEST_F(Page4Verdict, TheRecognisersLineListensAtOnceThenSaysWhatItUnderstood) {
    const std::string spoken = SpokenSentence();
    if (spoken.empty())
        GTEST_SKIP() << kNoSpokenSentence;
    m_trace.clear();
    EXPECT_EQ(RecordAndStop(FromFile(spoken), 6000), Verdict("Good")) << Traced();
    // Stop returned before the decode: the line says the recogniser listens,
    // under the verdict, and the page can record again.
    EXPECT_TRUE(m_sheet->m_page4.IsCheckingSpeech());
    EXPECT_TRUE(SpeechLine().IsWindowVisible());
    EXPECT_EQ(SpeechLine().GetText(), Verdict("Checking"));
    EXPECT_TRUE(StartButton().IsWindowEnabled());
    EXPECT_GE(SpeechLine().GetRectInParent().top, Line().GetRectInParent().bottom);
    EXPECT_LE(SpeechLine().GetRectInParent().bottom, m_sheet->m_page4.GetPageHeight());
    // The voice, looped by the virtual microphone and recorded at 11025 Hz,
    // keeps 4 of its 5 words for this recogniser: the pass mark.
    EXPECT_EQ(SpeechResult(), Understood("Understood", 4));
    EXPECT_NE(Traced().find("Speech recogniser: understood 4 of 5 words: "), std::string::npos)
        << Traced();
}

TEST_F(Page4Verdict, ANewerRecordingsRecogniserLineIsNeverOverwrittenByAnOlderOnes) {
    const std::string spoken = SpokenSentence();
    if (spoken.empty())
        GTEST_SKIP() << kNoSpokenSentence;
    // The sentence, then at once silence: the sentence's decode still runs
    // while the second recording runs and stops.
    RecordAndStop(FromFile(spoken), 6000);
    ASSERT_TRUE(m_sheet->m_page4.IsCheckingSpeech());
    EXPECT_EQ(RecordAndStop(Signal(MicrophoneSignal::Kind::Silence), 6000), Verdict("NoVoice"));
    EXPECT_EQ(SpeechLine().GetText(), Verdict("Checking"));
    EXPECT_EQ(SpeechResult(), Understood("NotUnderstood", 0));
    // Nothing older comes after it.
    for (int i = 0; i < 100; ++i)
        uitest::ProcessEvents(20);
    EXPECT_EQ(SpeechLine().GetText(), Understood("NotUnderstood", 0));
    // A new recording hides the line until its own result.
    m_card->SetMicrophone(FromFile(spoken));
    uitest::Click(StartButton());
    for (int i = 0; i < 50; ++i)
        uitest::ProcessEvents(20);
    EXPECT_FALSE(SpeechLine().IsWindowVisible());
    for (int ms = 0; ms < 3600; ms += 160) {
        m_card->AdvanceClock(160);
        uitest::ProcessEvents(2);
    }
    uitest::Click(StartButton());
    EXPECT_EQ(SpeechResult(), Understood("Understood", 4));
}

TEST_F(Page4Verdict, InGermanTheRecognisersLineSaysNoneForGermanIsInstalled) {
    const fs::path copy = s_files / "de.INI";
    fs::copy_file(fs::path(std::getenv("PELMORA_SOURCE_DIR")) / "resources" / "lang" / "de.INI",
                  copy, fs::copy_options::overwrite_existing);
    LoadUiTextsFrom(copy.string());
    ASSERT_EQ(UiText("PropP4", "SentenceLanguage"), "de");
    RecordAndStop(Signal(MicrophoneSignal::Kind::Voice), 6000);
    const std::string line = SpeechResult();
    EXPECT_EQ(line, Verdict("NoRecogniser"));
    EXPECT_NE(line.find("Deutsch"), std::string::npos) << line;
}

} // namespace
