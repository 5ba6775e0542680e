// Whether the speech recogniser understands the test sentence: the words of a
// sentence and their count against what was heard, the resampler to the
// recogniser's rate, finding a model of a language, then recordings made with
// espeak-ng and sox decoded by the real recogniser (skipped where it or its
// English model is missing; CI installs them), and the worker thread.
#include "WaveBuilder.h"
#include "audio/Resampler.h"
#include "audio/SpeechCheck.h"
#include "platform/system/message_loop.h"
#include "tests/support/HostCommand.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Words = std::vector<std::string>;

const SpeechSentence kSentence{"                                  'I am testing the microphone.'",
                               "en"};

TEST(SpeechWords, AreFoldedWithoutPunctuationInEitherEncoding) {
    EXPECT_EQ(SpeechWords(kSentence.text, "en"),
              (Words{"i", "am", "testing", "the", "microphone"}));
    // The translations' sentences, as their files hold them (Windows-1252)
    // and in UTF-8.
    const Words german{"ich", "teste", "das", "mikrofon"};
    EXPECT_EQ(SpeechWords("\x84Ich teste das Mikrofon.\x93", "de"), german);
    EXPECT_EQ(SpeechWords("\xE2\x80\x9EIch teste das Mikrofon.\xE2\x80\x9C", "de"), german);
    EXPECT_EQ(SpeechWords("\xAB"
                          "Estoy probando el MICR\xD3"
                          "FONO.\xBB",
                          "es"),
              (Words{"estoy", "probando", "el",
                     "micr\xC3\xB3"
                     "fono"}));
    EXPECT_EQ(SpeechWords("\xC2\xAB Je teste le microphone. \xC2\xBB", "fr"),
              (Words{"je", "teste", "le", "microphone"}));
    EXPECT_EQ(SpeechWords("  ...  ", "en"), Words{});
}

TEST(SpeechWords, EnglishContractionsStandForTheirTwoWords) {
    EXPECT_EQ(SpeechWords("I'm testing it's", "en"), (Words{"i", "am", "testing", "it", "is"}));
    // The typographic apostrophe too; elsewhere the word stays whole.
    EXPECT_EQ(SpeechWords("I\xE2\x80\x99m", "en"), (Words{"i", "am"}));
    EXPECT_EQ(SpeechWords("l'eau c'est", "fr"), (Words{"l'eau", "c'est"}));
    // A quote around a word is no apostrophe of it.
    EXPECT_EQ(SpeechWords("'rock' n' roll'", "en"), (Words{"rock", "n", "roll"}));
}

TEST(SpeechWords, CountOnceEachAndInAnyOrder) {
    const Words expected = SpeechWords(kSentence.text, "en");
    EXPECT_EQ(CountUnderstood(expected, SpeechWords("i am testing the microphone", "en")), 5u);
    EXPECT_EQ(CountUnderstood(expected, SpeechWords("the microphone i am testing", "en")), 5u);
    // A word heard twice that the sentence holds once counts once.
    EXPECT_EQ(CountUnderstood(expected, SpeechWords("the the the microphone", "en")), 2u);
    EXPECT_EQ(CountUnderstood(expected, SpeechWords("i'm asking the microphone", "en")), 4u);
    EXPECT_EQ(CountUnderstood(expected, {}), 0u);
    // A word the sentence holds twice may be heard twice.
    const Words twice = SpeechWords("the cat saw the dog", "en");
    EXPECT_EQ(CountUnderstood(twice, SpeechWords("the the the", "en")), 2u);
    EXPECT_EQ(CountUnderstood(twice, SpeechWords("the", "en")), 1u);
}

TEST(SpeechWords, PassAtFourOfFive) {
    EXPECT_TRUE(PassesMark(5, 5));
    EXPECT_TRUE(PassesMark(3, 5));
    EXPECT_FALSE(PassesMark(2, 5));
    EXPECT_TRUE(PassesMark(6, 10));
    EXPECT_FALSE(PassesMark(5, 10));
    EXPECT_FALSE(PassesMark(0, 0)) << "a sentence without words is never understood";
}

// The amplitude of `hz` in the samples, by correlation with a sine and cosine.
double Amplitude(const std::vector<std::int16_t>& s, double hz, double rate) {
    double c = 0, q = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double phase = 2 * std::numbers::pi * hz * static_cast<double>(i) / rate;
        c += s[i] * std::cos(phase);
        q += s[i] * std::sin(phase);
    }
    return 2 * std::hypot(c, q) / static_cast<double>(s.size());
}

std::vector<double> Sine(double hz, double rate, double seconds, double amplitude) {
    std::vector<double> s(static_cast<std::size_t>(rate * seconds));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = amplitude * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate);
    return s;
}

TEST(Resampler, KeepsTheBandAndDropsWhatTheNewRateCannotHold) {
    for (const unsigned rate : {11025u, 22050u, 44100u, 48000u}) {
        const std::vector<std::int16_t> out = ResampleMono(Sine(1000, rate, 1, 10000), rate, 16000);
        EXPECT_EQ(out.size(), 16000u) << rate;
        // Away from the ends, where the kernel runs out of input.
        const std::vector<std::int16_t> middle(out.begin() + 1000, out.end() - 1000);
        EXPECT_NEAR(Amplitude(middle, 1000, 16000), 10000, 100) << rate;
        EXPECT_LT(Amplitude(middle, 1500, 16000), 50) << rate;
    }
    // 10 kHz at 44.1 kHz would fold back to 6 kHz at 16 kHz.
    const std::vector<std::int16_t> folded =
        ResampleMono(Sine(10000, 44100, 1, 10000), 44100, 16000);
    const std::vector<std::int16_t> middle(folded.begin() + 1000, folded.end() - 1000);
    EXPECT_LT(Amplitude(middle, 6000, 16000), 10) << "at least 60 dB down";
    // Up from 11025 Hz no image of the old band appears above it.
    const std::vector<std::int16_t> up = ResampleMono(Sine(4000, 11025, 1, 10000), 11025, 16000);
    EXPECT_LT(Amplitude({up.begin() + 1000, up.end() - 1000}, 7025, 16000), 10);
    // Equal rates copy, clamped to 16 bits; no rate gives nothing.
    EXPECT_EQ(ResampleMono({1.4, -40000, 40000}, 16000, 16000),
              (std::vector<std::int16_t>{1, -32768, 32767}));
    EXPECT_TRUE(ResampleMono({1, 2, 3}, 0, 16000).empty());
}

TEST(SpeechModels, AreFoundByTheirLanguageAndAllTheirParts) {
    const fs::path root = FreshTestDir("speech-models");
    auto touch = [](const fs::path& file) {
        fs::create_directories(file.parent_path());
        WaveBuilder::Write(file, {'x'});
    };
    auto acoustic = [&](const fs::path& directory) {
        for (const char* part : {"mdef", "means", "variances", "transition_matrices", "noisedict"})
            touch(directory / part);
    };
    // The layout of the English package, with its phone model beside.
    acoustic(root / "en-us" / "en-us");
    touch(root / "en-us" / "en-us-phone.lm.bin");
    touch(root / "en-us" / "en-us.lm.bin");
    touch(root / "en-us" / "cmudict-en-us.dict");
    // A German model without its dictionary, a model of another language
    // whose code begins alike.
    acoustic(root / "de" / "de");
    touch(root / "de" / "de.lm");
    acoustic(root / "eng" / "am");
    touch(root / "eng" / "eng.lm.bin");
    touch(root / "eng" / "eng.dict");
    // A French one whose acoustic model lacks a part.
    touch(root / "fr" / "fr" / "mdef");
    touch(root / "fr" / "fr.lm.bin");
    touch(root / "fr" / "fr.dict");

    plat::SpeechModel model;
    ASSERT_TRUE(plat::FindSpeechModel(root.string(), "EN", model));
    EXPECT_EQ(model.language, "en");
    EXPECT_EQ(model.acoustic, (root / "en-us" / "en-us").string());
    EXPECT_EQ(model.languageModel, (root / "en-us" / "en-us.lm.bin").string());
    EXPECT_EQ(model.dictionary, (root / "en-us" / "cmudict-en-us.dict").string());
    EXPECT_FALSE(plat::FindSpeechModel(root.string(), "de", model));
    touch(root / "de" / "de.dict");
    ASSERT_TRUE(plat::FindSpeechModel(root.string(), "de", model));
    EXPECT_EQ(model.languageModel, (root / "de" / "de.lm").string()) << "a text model serves too";
    EXPECT_FALSE(plat::FindSpeechModel(root.string(), "e", model));
    EXPECT_FALSE(plat::FindSpeechModel(root.string(), "fr", model));
    EXPECT_FALSE(plat::FindSpeechModel(root.string(), "es", model));
    EXPECT_FALSE(plat::FindSpeechModel("", "en", model));
    EXPECT_FALSE(plat::FindSpeechModel((root / "none").string(), "en", model));

    // Without a model for the sentence's language the check says so, and
    // counts the sentence's words all the same.
    SpeechRecording silence{std::vector<double>(16000), 16000};
    plat::CSpeechRecogniser recogniser;
    const std::atomic<bool> stop{false};
    const SpeechResult french =
        CheckSpeech(silence, {"Je teste le microphone.", "fr"}, recogniser, stop, root.string());
    EXPECT_EQ(french.outcome, SpeechOutcome::NoRecogniser) << DescribeSpeech(french);
    EXPECT_EQ(french.expected, 4u);
    EXPECT_NE(DescribeSpeech(french).find("judged by the signal alone"), std::string::npos);
}

TEST(SpeechRecording, IsReadMixedToOneChannel) {
    const fs::path dir = FreshTestDir("speech-read");
    // 8-bit stereo: left full up, right silent, so the mix is half.
    WaveBuilder::Bytes data;
    for (int i = 0; i < 100; ++i) {
        data.push_back(255);
        data.push_back(128);
    }
    WaveBuilder::Write(
        dir / "stereo8.wav",
        WaveBuilder().Chunk("fmt ", WaveBuilder::Fmt(1, 2, 8000, 8)).Chunk("data", data).Build());
    SpeechRecording recording;
    std::string error;
    ASSERT_TRUE(ReadSpeechRecording((dir / "stereo8.wav").string(), recording, error)) << error;
    EXPECT_EQ(recording.rate, 8000u);
    ASSERT_EQ(recording.mono.size(), 100u);
    EXPECT_DOUBLE_EQ(recording.mono[0], 127 * 256.0 / 2);
    // Neither a missing file nor a 24-bit one: the reason names the file.
    EXPECT_FALSE(ReadSpeechRecording((dir / "none.wav").string(), recording, error));
    EXPECT_EQ(error.rfind((dir / "none.wav").string() + ": ", 0), 0u) << error;
    WaveBuilder::Write(dir / "deep.wav", WaveBuilder()
                                             .Chunk("fmt ", WaveBuilder::Fmt(1, 1, 8000, 24))
                                             .Chunk("data", WaveBuilder::Bytes(30))
                                             .Build());
    EXPECT_FALSE(ReadSpeechRecording((dir / "deep.wav").string(), recording, error));
    EXPECT_NE(error.find("24-bit"), std::string::npos) << error;
}

// Recordings made with the tools a user has, decoded by the real recogniser.
class RealRecogniser : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SpeechModel model;
        if (!plat::FindSpeechModel(plat::SpeechModelRoot(), "en", model))
            GTEST_SKIP() << "no English speech model: scripts/deps.sh test installs "
                            "pocketsphinx-en-us";
        if (!hostcmd::Have("espeak-ng") || !hostcmd::Have("sox"))
            GTEST_SKIP() << "espeak-ng or sox is missing: scripts/deps.sh test installs them";
        m_dir = FreshTestDir("speech-real");
    }
    std::string File(const std::string& name) const { return (m_dir / name).string(); }
    void Run(const std::string& command) { ASSERT_EQ(hostcmd::Run(command), 0) << command; }
    // The sentence said by espeak-ng's en-us voice "f2" at 130 words a
    // minute, at its own 22050 Hz and at the recorder's 11025 Hz.
    void Say(const std::string& text, const std::string& name) {
        Run("espeak-ng -v en-us+f2 -s 130 -w '" + File(name + "22.wav") + "' '" + text + "'");
        Run("sox -R -D '" + File(name + "22.wav") + "' -r 11025 '" + File(name + "11.wav") + "'");
    }
    // The figures and times in the test's output.
    SpeechResult Check(const std::string& name) {
        SpeechRecording recording;
        std::string error;
        EXPECT_TRUE(ReadSpeechRecording(File(name), recording, error)) << error;
        const std::atomic<bool> stop{false};
        const SpeechResult result = CheckSpeech(recording, kSentence, m_recogniser, stop);
        std::printf("%-16s %s\n", name.c_str(), DescribeSpeech(result).c_str());
        EXPECT_TRUE(result.outcome == SpeechOutcome::Understood ||
                    result.outcome == SpeechOutcome::NotUnderstood)
            << DescribeSpeech(result);
        EXPECT_EQ(result.expected, 5u);
        // The decode's time against the recording's is printed above; it is
        // timed in bench/, not here, where other builds share the machine.
        return result;
    }
    fs::path m_dir;
    plat::CSpeechRecogniser m_recogniser;
};

TEST_F(RealRecogniser, UnderstandsTheSentenceAndNotAnotherOrAFaultyRecording) {
    Say("I am testing the microphone.", "sentence");
    Say("The weather is nice today.", "weather");
    // Clipped: 20 dB of gain on the recorder's copy.
    Run("sox -R -D '" + File("sentence11.wav") + "' '" + File("clipped11.wav") +
        "' gain 20 2>/dev/null");
    // Drowned: white noise of about the speech's own power mixed in.
    Run("sox -R -D -n -r 11025 -b 16 -c 1 '" + File("noise11.wav") +
        "' synth 2.4 whitenoise vol 0.25");
    Run("sox -R -D -m '" + File("sentence11.wav") + "' '" + File("noise11.wav") + "' '" +
        File("noisy11.wav") + "'");
    Run("sox -R -D -n -r 11025 -b 16 -c 1 '" + File("silence11.wav") + "' trim 0 3");
    // Our own voice file, the virtual microphone's sentence.
    const std::string voice =
        (fs::path(std::getenv("PELMORA_SOURCE_DIR")) / "resources" / "voice" / "voice.wav")
            .string();
    Run("cp '" + voice + "' '" + File("voice11.wav") + "'");

    // At the voice's own rate every word is understood.
    const SpeechResult wide = Check("sentence22.wav");
    EXPECT_EQ(wide.outcome, SpeechOutcome::Understood);
    EXPECT_EQ(wide.understood, 5u) << wide.heard;
    // Another sentence shares a word or two at most ("the").
    EXPECT_LE(Check("weather22.wav").understood, 1u);
    EXPECT_LE(Check("weather11.wav").understood, 1u);
    // The recorder's 11025 Hz leave nothing above 5.5 kHz, where the model
    // was trained to 6.8 kHz: the synthetic voice may lose a word or two
    // there (3 or 4 of 5, as the resampler's last bits fall), and passes.
    auto passes = [&](const char* name) {
        return Check(name).outcome == SpeechOutcome::Understood;
    };
    EXPECT_TRUE(passes("sentence11.wav"));
    EXPECT_TRUE(passes("voice11.wav"));
    // Clipping and noise cost most of it; silence gives nothing.
    EXPECT_FALSE(passes("clipped11.wav"));
    EXPECT_FALSE(passes("noisy11.wav"));
    const SpeechResult silence = Check("silence11.wav");
    EXPECT_EQ(silence.understood, 0u);
    EXPECT_EQ(silence.outcome, SpeechOutcome::NotUnderstood);
}

// Runs the GUI thread's posted tasks until `until` holds or 30 s pass.
template <typename Until> bool Dispatch(Until until) {
    for (int i = 0; i < 3000 && !until(); ++i)
        plat::WaitDispatching(10);
    return until();
}

TEST_F(RealRecogniser, TheWorkerReportsOnlyTheLastCheckAndEndsWithoutWaiting) {
    Say("I am testing the microphone.", "sentence");
    Say("The weather is nice today.", "weather");
    SpeechRecording sentence, weather;
    std::string error;
    ASSERT_TRUE(ReadSpeechRecording(File("sentence22.wav"), sentence, error)) << error;
    ASSERT_TRUE(ReadSpeechRecording(File("weather22.wav"), weather, error)) << error;

    std::vector<SpeechResult> results;
    auto checker = std::make_unique<CSpeechChecker>();
    // The weather first, the sentence while the weather decodes: only the
    // sentence's count comes back.
    checker->Start(weather, kSentence, [&](const SpeechResult& r) { results.push_back(r); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    checker->Start(sentence, kSentence, [&](const SpeechResult& r) { results.push_back(r); });
    EXPECT_TRUE(checker->Pending());
    ASSERT_TRUE(Dispatch([&] { return !checker->Pending(); }));
    plat::WaitDispatching(200);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].understood, 5u) << results[0].heard;

    // Cancelled, nothing comes back.
    checker->Start(sentence, kSentence, [&](const SpeechResult& r) { results.push_back(r); });
    checker->Cancel();
    EXPECT_FALSE(checker->Pending());
    plat::WaitDispatching(3000);
    EXPECT_EQ(results.size(), 1u);

    // Ended during a decode: at once, and its result never comes.
    checker->Start(sentence, kSentence, [&](const SpeechResult& r) { results.push_back(r); });
    plat::WaitDispatching(100);
    const auto start = std::chrono::steady_clock::now();
    checker.reset();
    // A decode takes half a second and more; the end does not wait for it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    plat::WaitDispatching(3000);
    EXPECT_EQ(results.size(), 1u);
}

} // namespace
