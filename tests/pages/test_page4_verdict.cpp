// The verdict line of the microphone page, recorded through the real sheet on
// a virtual card whose microphone follows the recording volume: what the
// microphone hears (silence, hiss, the test sentence quiet, drowned in noise,
// clipped or as it should be) and where the slider stands decide the verdict
// shown after Stop.
#include "SheetTestSuite.h"
#include "app/PropSheet.h"
#include "app/UiTexts.h"
#include "platform/sound_backend.h"
#include "platform/system.h"
#include "platform/trace.h"
#include "platform/virtual/Microphone.h"
#include "platform/virtual/VirtualCard.h"
#include "platform/virtual/WaveData.h"
#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/Edit.h"
#include "ui/Testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using plat::CVirtualCard;
using plat::MicrophoneSignal;

namespace {

constexpr int kVerdictId = 1210;

MicrophoneSignal Signal(MicrophoneSignal::Kind kind, double amplitude = 8000) {
    MicrophoneSignal signal;
    signal.kind = kind;
    signal.amplitude = amplitude;
    return signal;
}

MicrophoneSignal FromFile(const std::string& path) {
    MicrophoneSignal signal;
    signal.kind = MicrophoneSignal::Kind::File;
    signal.file = path;
    return signal;
}

const std::string& Verdict(const char* key) {
    return UiText("Verdict", key);
}

class Page4Verdict : public SheetTestSuite {
protected:
    static void SetUpTestSuite() {
        SheetTestSuite::SetUpTestSuite();
        s_app = new CWizardApp();
        s_app->CreateImageList();
        s_files = s_temp / "inputs";
        fs::create_directories(s_files);
        // The test sentence as the virtual microphone says it.
        std::size_t size = 0;
        const std::uint8_t* data = plat::VoiceWave(size);
        std::string error;
        ASSERT_TRUE(plat::ParseWave(data, size, s_voice, error)) << error;
        WriteWave("voice.wav", Mono(s_voice));
    }
    static void TearDownTestSuite() {
        delete s_app;
        s_app = nullptr;
        SheetTestSuite::TearDownTestSuite();
    }

    // The built-in card with its recording master at the top, as many cards
    // come: the microphone's own volume, the slider's, is all there is
    // between the voice and the samples.
    static plat::VirtualCardDesc MasterAtTheTop() {
        plat::VirtualCardDesc desc = plat::DefaultCardDesc();
        for (plat::VirtualLine& line : desc.mixers.at(0).destinations)
            if (line.componentType == plat::MIXERLINE_COMPONENTTYPE_DST_WAVEIN)
                for (plat::VirtualControl& control : line.controls)
                    if (control.type == plat::MIXERCONTROL_CONTROLTYPE_VOLUME)
                        std::fill(control.values.begin(), control.values.end(), 65535);
        return desc;
    }

    void SetUp() override {
        m_card = std::make_shared<CVirtualCard>(MasterAtTheTop(), CVirtualCard::Clock::Manual);
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
    static std::vector<std::int16_t> Mono(const plat::WaveData& wave) {
        std::vector<std::int16_t> out(wave.samples.size() / 2);
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] =
                static_cast<std::int16_t>(wave.samples[2 * i] | (wave.samples[2 * i + 1] << 8));
        return out;
    }
    static void WriteWave(const std::string& name, const std::vector<double>& samples) {
        std::vector<std::uint8_t> bytes;
        for (double v : samples) {
            const auto s = static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
            bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
        }
        std::string error;
        ASSERT_TRUE(plat::WriteWaveFile(Input(name), s_voice.format, bytes, error)) << error;
    }
    static void WriteWave(const std::string& name, const std::vector<std::int16_t>& samples) {
        WriteWave(name, std::vector<double>(samples.begin(), samples.end()));
    }
    // The sentence scaled by `gain` over steady noise of RMS `noiseRms`, as a
    // room with a fan or traffic behind the speaker gives it.
    static std::string VoiceOverNoise(double gain, double noiseRms) {
        const std::vector<std::int16_t> voice = Mono(s_voice);
        std::mt19937 random(17);
        std::normal_distribution<double> noise(0.0, noiseRms);
        std::vector<double> mixed(voice.size());
        for (std::size_t i = 0; i < voice.size(); ++i)
            mixed[i] = voice[i] * gain + noise(random);
        const std::string name =
            "voice-" + std::to_string(gain) + "-" + std::to_string(noiseRms) + ".wav";
        WriteWave(name, mixed);
        return Input(name);
    }

    CColorText& Line() { return *m_sheet->m_page4.GetDlgItemAs<CColorText>(kVerdictId); }
    CButton& StartButton() { return *m_sheet->m_page4.GetDlgItemAs<CButton>(1004); }

    // Records what the microphone hears at the recording volume for the
    // sentence's length and a little more, then stops; answers the line.
    std::string RecordAndStop(const MicrophoneSignal& signal, int volume) {
        m_card->SetMicrophone(signal);
        m_sheet->m_mixerSetup.SetRecordingVolume(volume);
        m_trace.clear();
        uitest::Click(StartButton());
        uitest::ProcessEvents(10);
        EXPECT_TRUE(m_sheet->m_page4.IsRecording());
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
    static inline plat::WaveData s_voice;
    std::shared_ptr<CVirtualCard> m_card;
    std::unique_ptr<CPropSheet> m_sheet;
    std::vector<std::string> m_trace;
};

TEST_F(Page4Verdict, WhatTheMicrophoneHeardDecidesTheVerdict) {
    struct Case {
        const char* what;
        MicrophoneSignal signal;
        int volume;
        const char* verdict;
    };
    const Case cases[] = {
        {"silence", Signal(MicrophoneSignal::Kind::Silence), 6000, "NoVoice"},
        {"hiss only", Signal(MicrophoneSignal::Kind::Noise, 6000), 6000, "NoVoice"},
        {"the sentence, slider far left", Signal(MicrophoneSignal::Kind::Voice), 400, "TooQuiet"},
        {"the sentence over loud noise", FromFile(VoiceOverNoise(0.5, 500)), 9000, "TooNoisy"},
        {"the sentence shouted, clipped before the slider, slider at the top",
         FromFile(VoiceOverNoise(4.0, 0)), 10000, "TooLoud"},
        {"the sentence, quiet room, slider in the middle", FromFile(VoiceOverNoise(1.0, 30)), 6000,
         "Good"},
    };
    for (const Case& c : cases) {
        const std::string line = RecordAndStop(c.signal, c.volume);
        EXPECT_EQ(line, Verdict(c.verdict)) << c.what << "\n" << Traced();
        EXPECT_NE(Traced().find(std::string("Recording verdict ") + c.verdict + ": "),
                  std::string::npos)
            << c.what << "\n"
            << Traced();
        EXPECT_NE(Traced().find("noise floor"), std::string::npos) << Traced();
    }
}

TEST_F(Page4Verdict, RecordingsMadeWithSoxAreJudgedAsTheyWereMade) {
    if (std::system("sox --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "sox is missing: scripts/deps.sh test installs it";
    const std::string voice = Input("voice.wav");
    auto sox = [](const std::string& args) {
        const std::string command = "sox -V1 " + args + " 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    };
    // Ten times too loud: sox clips it, as a microphone's own amplifier would.
    sox(voice + " " + Input("shouted.wav") + " vol 10");
    // The sentence with hiss mixed in, the whole brought to -6 dBFS.
    sox("-D -n -r 11025 -b 16 -c 1 " + Input("hiss.wav") + " synth 3.3 whitenoise vol 0.1");
    sox("-D -m " + voice + " " + Input("hiss.wav") + " " + Input("noisy.wav") + " gain -n -6");
    // The sentence as it is, a little quieter.
    sox("-D " + voice + " " + Input("clean.wav") + " gain -n -6");

    EXPECT_EQ(RecordAndStop(FromFile(Input("shouted.wav")), 10000), Verdict("TooLoud")) << Traced();
    EXPECT_EQ(RecordAndStop(FromFile(Input("noisy.wav")), 10000), Verdict("TooNoisy")) << Traced();
    EXPECT_EQ(RecordAndStop(FromFile(Input("clean.wav")), 10000), Verdict("Good")) << Traced();
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
        const CSize size = Line().GetTextExtent(Verdict(key));
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

} // namespace
