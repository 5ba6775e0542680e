// The figures behind the recording's verdict on signals whose floor, speech
// level, peak and clipping are known, in pieces of any size and in every PCM
// layout; then files: ours, sox's, and ones that cannot be measured; then
// what is a voice: our test sentence with the faults a user makes, against
// noises, hum, clicks and tones made by sox; last, --verdict.
#include "WaveBuilder.h"
#include "audio/RecordingVerdict.h"
#include "tests/support/HostCommand.h"
#include "tests/support/TestDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace plat;

namespace {

constexpr DWORD kRate = 11025;
constexpr std::size_t kFrame = kRate * 20 / 1000; // 220 samples

WAVEFORMATEX Pcm(WORD channels, WORD bits, DWORD rate = kRate) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

double Dbfs(double amplitude) {
    return 20 * std::log10(amplitude / 32768.0);
}

// One frame of a square wave: its RMS and its peak are the amplitude.
void AppendSquareFrame(std::vector<std::int16_t>& out, int amplitude) {
    for (std::size_t i = 0; i < kFrame; ++i)
        out.push_back(static_cast<std::int16_t>(i % 10 < 5 ? amplitude : -amplitude));
}

RecordingFigures Measure16(const std::vector<std::int16_t>& s, WORD channels = 1) {
    return MeasureRecording(s.data(), s.size() * 2, Pcm(channels, 16));
}

// 100 frames of amplitudes 100, 200, ... 10000 in a shuffled order: the
// quietest tenth ends at 1000, the loudest twentieth starts at 9600.
std::vector<std::int16_t> HundredLevels() {
    std::vector<int> amplitudes(100);
    std::iota(amplitudes.begin(), amplitudes.end(), 1);
    std::mt19937 random(7);
    std::shuffle(amplitudes.begin(), amplitudes.end(), random);
    std::vector<std::int16_t> samples;
    for (int a : amplitudes)
        AppendSquareFrame(samples, 100 * a);
    return samples;
}

TEST(RecordingFiguresTest, FloorSpeechPeakAndRatioOfFramesOfKnownLevels) {
    const RecordingFigures f = Measure16(HundredLevels());
    EXPECT_EQ(f.frames, 100u);
    EXPECT_NEAR(f.seconds, 2.0, 0.01);
    EXPECT_NEAR(f.floorDbfs, Dbfs(1000), 1e-9);
    EXPECT_NEAR(f.speechDbfs, Dbfs(9500), 1e-9);
    EXPECT_EQ(f.peak, 10000);
    EXPECT_NEAR(f.peakDbfs, Dbfs(10000), 1e-9);
    EXPECT_NEAR(f.signalToNoiseDb, 20 * std::log10(9.5), 1e-9);
    EXPECT_EQ(f.clippedFrames, 0u);

    // A sine's RMS is its amplitude over the square root of two.
    std::vector<std::int16_t> sine(kRate);
    for (std::size_t i = 0; i < sine.size(); ++i)
        sine[i] =
            static_cast<std::int16_t>(std::lround(16384 * std::sin(2 * M_PI * 500 * i / kRate)));
    const RecordingFigures s = Measure16(sine);
    EXPECT_NEAR(s.floorDbfs, Dbfs(16384 / std::sqrt(2.0)), 0.05);
    EXPECT_NEAR(s.speechDbfs, Dbfs(16384 / std::sqrt(2.0)), 0.05);
    EXPECT_NEAR(s.peakDbfs, Dbfs(16384), 0.05);
    EXPECT_LT(s.signalToNoiseDb, 0.1) << "a steady tone has no quiet frames";

    // Digital silence, and nothing at all.
    const RecordingFigures zero = Measure16(std::vector<std::int16_t>(kFrame * 10, 0));
    EXPECT_EQ(zero.frames, 10u);
    EXPECT_EQ(zero.floorDbfs, kSilenceDbfs);
    EXPECT_EQ(zero.speechDbfs, kSilenceDbfs);
    EXPECT_EQ(zero.peakDbfs, kSilenceDbfs);
    const RecordingFigures none = Measure16({});
    EXPECT_EQ(none.frames, 0u);
    EXPECT_EQ(none.peak, 0);
    EXPECT_EQ(JudgeRecording(none), Verdict::NoVoice);
}

TEST(RecordingFiguresTest, PiecesOfAnySizeAndEveryLayoutMeasureAlike) {
    std::vector<std::int16_t> mono = HundredLevels();
    mono.resize(mono.size() + 37, 700); // a partial frame at the end
    mono[kFrame * 3 + 100] = -9999;     // counts for the peak
    const RecordingFigures whole = Measure16(mono);
    EXPECT_EQ(whole.frames, 100u) << "the partial frame has no level";
    EXPECT_EQ(whole.peak, 10000);

    const auto* bytes = reinterpret_cast<const std::uint8_t*>(mono.data());
    for (std::size_t piece : {1u, 7u, 440u, 441u, 4096u}) {
        CRecordingMeter meter(Pcm(1, 16));
        for (std::size_t at = 0; at < mono.size() * 2; at += piece)
            meter.Add(bytes + at, std::min(piece, mono.size() * 2 - at));
        const RecordingFigures f = meter.Figures();
        EXPECT_EQ(f.frames, whole.frames) << piece;
        EXPECT_EQ(f.floorDbfs, whole.floorDbfs) << piece;
        EXPECT_EQ(f.speechDbfs, whole.speechDbfs) << piece;
        EXPECT_EQ(f.peak, whole.peak) << piece;
    }

    // Both channels alike: the same figures; 8 bits of the same values too.
    std::vector<std::int16_t> stereo;
    std::vector<std::uint8_t> eight;
    for (std::int16_t v : HundredLevels()) {
        stereo.insert(stereo.end(), {v, v});
        eight.push_back(static_cast<std::uint8_t>(128 + std::lround(v / 256.0)));
    }
    const RecordingFigures two = Measure16(stereo, 2);
    EXPECT_EQ(two.frames, 100u);
    EXPECT_NEAR(two.speechDbfs, whole.speechDbfs, 1e-9);
    EXPECT_NEAR(two.floorDbfs, whole.floorDbfs, 1e-9);
    EXPECT_NEAR(two.seconds, 2.0, 0.01);
    const RecordingFigures e = MeasureRecording(eight.data(), eight.size(), Pcm(1, 8));
    EXPECT_NEAR(e.floorDbfs, Dbfs(std::lround(1000 / 256.0) * 256), 1e-9);
    EXPECT_NEAR(e.speechDbfs, Dbfs(std::lround(9500 / 256.0) * 256), 1e-9);

    // A layout that cannot be measured is said to be so.
    EXPECT_FALSE(CRecordingMeter(Pcm(1, 24)).Supported());
    EXPECT_FALSE(CRecordingMeter(Pcm(0, 16)).Supported());
    EXPECT_TRUE(CRecordingMeter(Pcm(2, 8)).Supported());
}

TEST(RecordingFiguresTest, ThreeFullScaleSamplesInARowClipEvenAcrossFramesAndPieces) {
    std::vector<std::int16_t> s(kFrame * 20, 1000);
    s[5] = s[6] = 32767; // two only: loud, not clipped
    const RecordingFigures two = Measure16(s);
    EXPECT_EQ(two.clippedFrames, 0u);
    EXPECT_EQ(two.peak, 32767);
    EXPECT_EQ(JudgeRecording(two), Verdict::NoVoice) << "a steady level and two clicks";

    // Three across the border of frames 4 and 5, negative full scale.
    s[kFrame * 5 - 1] = s[kFrame * 5] = s[kFrame * 5 + 1] = -32768;
    EXPECT_EQ(Measure16(s).clippedFrames, 1u);
    // ... also when the pieces break inside the run.
    CRecordingMeter meter(Pcm(1, 16));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.data());
    const std::size_t cut = (kFrame * 5) * 2;
    meter.Add(bytes, cut);
    meter.Add(bytes + cut, s.size() * 2 - cut);
    EXPECT_EQ(meter.Figures().clippedFrames, 1u);
    // ... and at the very end of the recording.
    s.back() = s[s.size() - 2] = s[s.size() - 3] = 32767;
    EXPECT_EQ(Measure16(s).clippedFrames, 2u);
    // Runs in one channel of two.
    std::vector<std::int16_t> stereo(kFrame * 2 * 4, 0);
    for (std::size_t i = 0; i < 3; ++i)
        stereo[2 * (100 + i) + 1] = 32767;
    EXPECT_EQ(Measure16(stereo, 2).clippedFrames, 1u);
    stereo[2 * 101 + 1] = 0;
    stereo[2 * 101] = 32767; // the run is split over both channels
    EXPECT_EQ(Measure16(stereo, 2).clippedFrames, 0u);
}

RecordingFigures Figures(double peakDbfs, double snrDb, std::size_t clipped = 0) {
    RecordingFigures f;
    f.frames = 100;
    f.peakDbfs = peakDbfs;
    f.speechDbfs = peakDbfs - 12;
    f.floorDbfs = f.speechDbfs - snrDb;
    f.signalToNoiseDb = snrDb;
    f.clippedFrames = clipped;
    // What our test sentence measures: a voice.
    f.voicedShare = 0.6;
    f.steadyPitchShare = 0.35;
    f.syllables = 8;
    f.syllableRateHz = 4;
    return f;
}

TEST(RecordingVerdictTest, TheLimitsOfAGoodRecording) {
    EXPECT_EQ(JudgeRecording(Figures(-9, 40)), Verdict::Good);
    EXPECT_EQ(JudgeRecording(Figures(-18, 20)), Verdict::Good);
    EXPECT_EQ(JudgeRecording(Figures(-1, 20)), Verdict::Good);
    EXPECT_EQ(JudgeRecording(Figures(-18.1, 40)), Verdict::TooQuiet);
    EXPECT_EQ(JudgeRecording(Figures(-0.9, 40)), Verdict::TooLoud);
    EXPECT_EQ(JudgeRecording(Figures(-9, 40, 1)), Verdict::TooLoud);
    EXPECT_EQ(JudgeRecording(Figures(-9, 19.9)), Verdict::TooNoisy);
    EXPECT_EQ(JudgeRecording(Figures(-9, 5.9)), Verdict::NoVoice);
    EXPECT_EQ(JudgeRecording(Figures(-40.1, 60)), Verdict::NoVoice);
    // A pitch in too few of the loud frames, or levels without a syllable
    // rhythm: no voice, however loud and clean.
    RecordingFigures f = Figures(-9, 40);
    f.voicedShare = 0.29;
    EXPECT_EQ(JudgeRecording(f), Verdict::NoVoice);
    f.voicedShare = 0.3;
    EXPECT_EQ(JudgeRecording(f), Verdict::Good);
    f.steadyPitchShare = 0.76; // notes played, not spoken
    EXPECT_EQ(JudgeRecording(f), Verdict::NoVoice);
    f.steadyPitchShare = 0.75;
    EXPECT_EQ(JudgeRecording(f), Verdict::Good);
    f.syllableRateHz = 1.9; // a long sound with a pause
    EXPECT_EQ(JudgeRecording(f), Verdict::NoVoice);
    f.syllableRateHz = 8.1; // a drum roll
    EXPECT_EQ(JudgeRecording(f), Verdict::NoVoice);
    f.syllableRateHz = 0; // no rise and fall
    EXPECT_EQ(JudgeRecording(f), Verdict::NoVoice);
    f.syllableRateHz = 2;
    EXPECT_EQ(JudgeRecording(f), Verdict::Good);
    f = Figures(-30, 10);
    f.voicedShare = 0;
    EXPECT_EQ(JudgeRecording(f), Verdict::NoVoice) << "noise, not a quiet voice";
    // What the user must fix first: the level before the noise.
    EXPECT_EQ(JudgeRecording(Figures(-30, 10)), Verdict::TooQuiet);
    EXPECT_EQ(JudgeRecording(Figures(-3, 10, 4)), Verdict::TooLoud);

    for (Verdict v :
         {Verdict::NoVoice, Verdict::TooQuiet, Verdict::TooLoud, Verdict::TooNoisy, Verdict::Good})
        EXPECT_GT(std::string(VerdictKey(v)).size(), 0u);
    EXPECT_STREQ(VerdictKey(Verdict::TooNoisy), "TooNoisy");
}

class RecordingFileTest : public ::testing::Test {
protected:
    void SetUp() override { m_dir = FreshTestDir("pelmora-verdict"); }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string File(const char* name) const { return (m_dir / name).string(); }
    // The file as sox names it.
    std::string SoxFile(const char* name) const {
        return "'" + hostcmd::HostPath(m_dir / name) + "'";
    }

    // Whether sox is there: the test is skipped by the caller if not.
    static bool HaveSox() { return hostcmd::Have("sox"); }
    void Sox(const std::string& args) {
        const std::string command = "sox -V1 " + args;
        ASSERT_EQ(hostcmd::Run(command), 0) << command;
    }
    // What sox's own statistics say of a file's RMS level, in dBFS.
    double SoxRmsDb(const char* name) const {
        double db = 0;
        std::string stats;
        hostcmd::Run("sox " + SoxFile(name) + " -n stats 2>&1", &stats);
        std::istringstream lines(stats);
        for (std::string line; std::getline(lines, line);)
            std::sscanf(line.c_str(), "RMS lev dB %lf", &db);
        return db;
    }

    // Our test sentence, resources/voice/voice.wav (espeak-ng through sox,
    // resources/voice/make_voice.sh), as sox names it.
    static std::string Voice() {
        const char* root = std::getenv("PELMORA_SOURCE_DIR");
        return "'" +
               hostcmd::HostPath(std::filesystem::path(root ? root : ".") / "resources" / "voice" /
                                 "voice.wav") +
               "'";
    }
    RecordingAnalysis Analyse(const char* name) const {
        RecordingAnalysis a = AnalyseRecording(File(name));
        EXPECT_TRUE(a.ok) << name << ": " << a.error;
        return a;
    }

    std::filesystem::path m_dir;
};

TEST_F(RecordingFileTest, AFileIsMeasuredAsItsSamples) {
    std::vector<std::int16_t> samples = HundredLevels();
    WaveBuilder::Write(File("levels.wav"),
                       WaveBuilder()
                           .Chunk("fmt ", WaveBuilder::Fmt(WAVE_FORMAT_PCM, 1, kRate, 16))
                           .Chunk("data", WaveBuilder::Samples(samples))
                           .Build());
    const RecordingAnalysis a = AnalyseRecording(File("levels.wav"));
    ASSERT_TRUE(a.ok) << a.error;
    const RecordingFigures f = Measure16(samples);
    EXPECT_EQ(a.figures.frames, f.frames);
    EXPECT_EQ(a.figures.floorDbfs, f.floorDbfs);
    EXPECT_EQ(a.figures.speechDbfs, f.speechDbfs);
    EXPECT_EQ(a.figures.peak, f.peak);
    EXPECT_EQ(a.verdict, JudgeRecording(f));
    // The trace line holds every figure.
    const std::string line = DescribeFigures(a.figures);
    for (const char* piece : {"2.00 s", "100 frames", "noise floor -30.3 dBFS", "speech -10.8 dBFS",
                              "peak -10.3 dBFS", "0 clipped", "signal-to-noise 19.6 dB"})
        EXPECT_NE(line.find(piece), std::string::npos) << piece << " in " << line;
}

TEST_F(RecordingFileTest, FilesThatCannotBeMeasuredSayWhy) {
    RecordingAnalysis a = AnalyseRecording(File("none.wav"));
    EXPECT_FALSE(a.ok);
    EXPECT_EQ(a.error.find(File("none.wav")), 0u) << a.error;

    WaveBuilder::Write(File("text.wav"), {'h', 'e', 'l', 'l', 'o'});
    a = AnalyseRecording(File("text.wav"));
    EXPECT_FALSE(a.ok);
    EXPECT_NE(a.error.find("text.wav: "), std::string::npos) << a.error;

    WaveBuilder::Write(File("24.wav"),
                       WaveBuilder()
                           .Chunk("fmt ", WaveBuilder::Fmt(WAVE_FORMAT_PCM, 1, kRate, 24))
                           .Chunk("data", WaveBuilder::Bytes(300, 0))
                           .Build());
    a = AnalyseRecording(File("24.wav"));
    EXPECT_FALSE(a.ok);
    EXPECT_NE(a.error.find("24-bit"), std::string::npos) << a.error;
}

TEST_F(RecordingFileTest, SoxSignalsOfKnownLevels) {
    if (!HaveSox())
        GTEST_SKIP() << "sox is missing: scripts/deps.sh test installs it";
    // A tone at half scale: RMS -9.03 dBFS, peak -6.02 dBFS; no quiet frame.
    Sox("-D -n -r 11025 -b 16 -c 1 " + SoxFile("tone.wav") + " synth 2 sine 440 vol 0.5");
    RecordingAnalysis a = AnalyseRecording(File("tone.wav"));
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_NEAR(a.figures.seconds, 2.0, 0.01);
    EXPECT_NEAR(a.figures.speechDbfs, -9.03, 0.1);
    EXPECT_NEAR(a.figures.floorDbfs, -9.03, 0.1);
    EXPECT_NEAR(a.figures.peakDbfs, -6.02, 0.05);
    EXPECT_EQ(a.verdict, Verdict::NoVoice);

    // A second of hiss, then a second of that tone, in stereo: floor and
    // speech are the two parts, as sox measures them.
    Sox("-D -n -r 11025 -b 16 -c 2 " + SoxFile("hiss.wav") + " synth 1 whitenoise vol 0.01");
    Sox("-D -n -r 11025 -b 16 -c 2 " + SoxFile("tone2.wav") + " synth 1 sine 440 vol 0.5");
    Sox("-D " + SoxFile("hiss.wav") + " " + SoxFile("tone2.wav") + " " + SoxFile("both.wav"));
    const double hiss = SoxRmsDb("hiss.wav");
    ASSERT_LT(hiss, -45.0) << "sox stats: RMS lev dB";
    a = AnalyseRecording(File("both.wav"));
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_NEAR(a.figures.speechDbfs, SoxRmsDb("tone2.wav"), 0.1);
    EXPECT_NEAR(a.figures.floorDbfs, hiss, 1.0) << "the quiet frames of a steady hiss";
    EXPECT_NEAR(a.figures.signalToNoiseDb, SoxRmsDb("tone2.wav") - hiss, 1.0);
    // A steady tone has a pitch but no syllables: not a voice.
    EXPECT_GT(a.figures.voicedShare, 0.9);
    EXPECT_EQ(a.verdict, Verdict::NoVoice) << DescribeFigures(a.figures);

    // Hiss 25 dB louder than that.
    Sox("-D " + SoxFile("hiss.wav") + " " + SoxFile("hiss25.wav") + " vol 17.8");
    Sox("-D " + SoxFile("hiss25.wav") + " " + SoxFile("tone2.wav") + " " + SoxFile("noisy.wav"));
    a = AnalyseRecording(File("noisy.wav"));
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_NEAR(a.figures.floorDbfs, SoxRmsDb("hiss25.wav"), 1.0);
    EXPECT_LT(a.figures.signalToNoiseDb, kVerdictLimits.minSignalToNoiseDb);

    // The same, ten times louder: clipped.
    Sox("-D " + SoxFile("both.wav") + " " + SoxFile("loud.wav") + " vol 10");
    a = AnalyseRecording(File("loud.wav"));
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_GT(a.figures.clippedFrames, 40u);
    EXPECT_EQ(a.verdict, Verdict::NoVoice);
}

// What sox's stats say of a file: "Pk lev dB", "RMS lev dB".
double SoxStat(const std::string& soxFile, const char* key) {
    std::string stats;
    hostcmd::Run("sox " + soxFile + " -n stats 2>&1", &stats);
    std::istringstream lines(stats);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key, 0) == 0)
            return std::atof(line.c_str() + std::string(key).size());
    }
    ADD_FAILURE() << "no " << key << " in sox's stats: " << stats;
    return 0;
}

TEST_F(RecordingFileTest, OurSentenceWithTheFaultsAUserMakes) {
    if (!HaveSox())
        GTEST_SKIP() << "sox is missing: scripts/deps.sh test installs it";
    const std::string voice = Voice();
    Sox(voice + " " + SoxFile("good.wav") + " norm -6");
    Sox(voice + " " + SoxFile("quiet.wav") + " norm -30");
    Sox(voice + " " + SoxFile("clipped.wav") + " norm -6 gain 20");
    Sox(voice + " " + SoxFile("silence.wav") + " vol 0");
    // Said four times with pauses, recorded at 48 kHz in stereo.
    Sox(voice + " -r 48000 -c 2 " + SoxFile("again.wav") + " norm -6 rate 48000 repeat 3");
    // Noise under the sentence at a known ratio of the RMS levels: white at
    // 5 dB, a room's rumble (brown) at 35 dB.
    const double speech = SoxStat(SoxFile("good.wav"), "RMS lev dB");
    for (const char* kind : {"white", "brown"}) {
        const std::string noise = std::string(kind) + ".wav";
        Sox("-n -r 11025 -b 16 -c 1 " + SoxFile(noise.c_str()) + " synth 3.26 " + kind +
            "noise norm -20");
        const double ratio = kind[0] == 'w' ? 5 : 35;
        const double gain = speech - ratio - SoxStat(SoxFile(noise.c_str()), "RMS lev dB");
        Sox("-m " + SoxFile("good.wav") + " \"|sox " + SoxFile(noise.c_str()) + " -p gain " +
            std::to_string(gain) + "\" " + SoxFile((std::string(kind) + "mix.wav").c_str()));
    }
    // What a sound server hands over between sentences: each followed by a
    // faint hiss (a few steps of the 16-bit scale) and digital silence. The
    // hiss is far above that floor but no voice: it must not thin the voiced
    // frames out.
    Sox("-D -n -r 11025 -b 16 -c 1 " + SoxFile("faint.wav") + " synth 2.5 whitenoise gain -80");
    Sox("-D -n -r 11025 -b 16 -c 1 " + SoxFile("zero.wav") + " trim 0 0.8");
    const std::string pause = " " + SoxFile("faint.wav") + " " + SoxFile("zero.wav") + " ";
    Sox("-D " + voice + pause + voice + pause + voice + pause + SoxFile("server.wav"));
    const struct {
        const char* file;
        Verdict verdict;
    } cases[] = {{"server.wav", Verdict::Good},       {"good.wav", Verdict::Good},
                 {"quiet.wav", Verdict::TooQuiet},    {"clipped.wav", Verdict::TooLoud},
                 {"whitemix.wav", Verdict::TooNoisy}, {"silence.wav", Verdict::NoVoice},
                 {"again.wav", Verdict::Good},        {"brownmix.wav", Verdict::Good}};
    for (const auto& c : cases) {
        const RecordingAnalysis a = Analyse(c.file);
        EXPECT_EQ(a.verdict, c.verdict) << c.file << ": " << DescribeFigures(a.figures);
        if (c.verdict != Verdict::NoVoice) {
            EXPECT_GE(a.figures.voicedShare, 0.45) << c.file;
            EXPECT_LE(a.figures.steadyPitchShare, 0.5) << c.file;
            EXPECT_GE(a.figures.syllables, 4u) << c.file;
        }
    }
}

TEST_F(RecordingFileTest, NoiseHumClicksAndMusicAreNoVoiceAtAnyLevel) {
    if (!HaveSox())
        GTEST_SKIP() << "sox is missing: scripts/deps.sh test installs it";
    // A fan: five four-second stretches of each noise, each peaking at the
    // level. Brown noise spreads its frames' levels by a little more than 6 dB.
    for (const char* kind : {"brown", "pink", "white"}) {
        Sox("-n -r 11025 -b 16 -c 1 " + SoxFile("noise.wav") + " synth 20 " + kind + "noise");
        for (int level : {-40, -24, -12}) {
            for (int stretch = 0; stretch < 5; ++stretch) {
                Sox(SoxFile("noise.wav") + " " + SoxFile("fan.wav") + " trim " +
                    std::to_string(4 * stretch) + " 4 norm " + std::to_string(level));
                const RecordingAnalysis a = Analyse("fan.wav");
                EXPECT_EQ(a.verdict, Verdict::NoVoice) << kind << " " << level << " #" << stretch
                                                       << ": " << DescribeFigures(a.figures);
                EXPECT_LT(a.figures.voicedShare, 0.1) << kind << " " << level;
            }
        }
    }
    // Mains hum, a keyboard (five-millisecond clicks six times a second), a
    // steady chord and a tune.
    for (int level : {-40, -24, -12}) {
        const std::string norm = " norm " + std::to_string(level);
        Sox("-n -r 11025 -b 16 -c 1 " + SoxFile("hum.wav") + " synth 4 sine 50" + norm);
        Sox("-n -r 11025 -b 16 -c 1 " + SoxFile("click.wav") +
            " synth 0.005 whitenoise pad 0 0.16");
        Sox(SoxFile("click.wav") + " " + SoxFile("keys.wav") + " repeat 24" + norm);
        Sox("-n -r 11025 -b 16 -c 1 " + SoxFile("chord.wav") +
            " synth 4 sine 220 sine 277 sine 330" + norm);
        // A tune: twelve plucked notes, each followed by a short rest.
        std::string tune;
        for (const char* note :
             {"C4", "E4", "G4", "C5", "A3", "F4", "D4", "G3", "C4", "E4", "G4", "C5"})
            tune +=
                std::string(tune.empty() ? "" : " :") + " synth 0.2 pluck " + note + " pad 0 0.12";
        Sox("-n -r 11025 -b 16 -c 1 " + SoxFile("notes.wav") + tune);
        Sox(SoxFile("notes.wav") + " " + SoxFile("tune.wav") + norm);
        for (const char* name : {"hum.wav", "keys.wav", "chord.wav", "tune.wav"}) {
            const RecordingAnalysis a = Analyse(name);
            EXPECT_EQ(a.verdict, Verdict::NoVoice)
                << name << " " << level << ": " << DescribeFigures(a.figures);
        }
    }
}

TEST_F(RecordingFileTest, SpeechWithoutItsHighBandIsNarrowBand) {
    if (!HaveSox())
        GTEST_SKIP() << "sox is missing: scripts/deps.sh test installs it";
    const std::string voice = Voice();
    Sox(voice + " " + SoxFile("wide.wav") + " norm -6");
    Sox(voice + " -r 44100 " + SoxFile("wide44.wav") + " norm -6 rate 44100");
    Sox(voice + " -r 8000 " + SoxFile("phone8.wav") + " norm -6 rate 8000");
    Sox(voice + " " + SoxFile("phone11.wav") + " norm -6 rate 8000 rate 11025");
    Sox(voice + " " + SoxFile("lowpass.wav") + " norm -6 sinc -4000");
    for (const char* name :
         {"wide.wav", "wide44.wav", "phone8.wav", "phone11.wav", "lowpass.wav"}) {
        const RecordingAnalysis a = Analyse(name);
        EXPECT_EQ(a.figures.wideBand, name[0] == 'w') << name << ": " << DescribeFigures(a.figures);
        // The band is a figure, not a fault of the voice.
        EXPECT_EQ(a.verdict, Verdict::Good) << name << ": " << DescribeFigures(a.figures);
    }
}

TEST_F(RecordingFileTest, TheVerdictToolPrintsTheFiguresSoxMeasuresToo) {
    if (!HaveSox())
        GTEST_SKIP() << "sox is missing: scripts/deps.sh test installs it";
    Sox(Voice() + " " + SoxFile("good.wav") + " norm -6");
    Sox(Voice() + " " + SoxFile("quiet.wav") + " norm -30");
    struct Run {
        int code;
        std::string out, err;
    };
    auto run = [](const std::string& file) {
        std::ostringstream out, err;
        // No speech recogniser: the signal alone decides.
        const int code = RunVerdict({file}, out, err, {"I am testing the microphone.", "en"}, "");
        return Run{code, out.str(), err.str()};
    };
    // A figure of the printed lines: "peak: -6.0 dBFS".
    auto figure = [](const std::string& text, const std::string& name) {
        const std::size_t at = text.find("\n" + name + ": ");
        EXPECT_NE(at, std::string::npos) << name << " in " << text;
        return at == std::string::npos ? 0.0 : std::atof(text.c_str() + at + name.size() + 3);
    };

    Run r = run(File("good.wav"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("verdict: Good\n", 0), 0u) << r.out;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_NEAR(figure(r.out, "peak"), SoxStat(SoxFile("good.wav"), "Pk lev dB"), 0.1);
    EXPECT_NEAR(figure(r.out, "RMS level"), SoxStat(SoxFile("good.wav"), "RMS lev dB"), 0.1);
    for (const char* line : {"\nnoise floor: ", "\nspeech level: ", "\nclipped frames: 0\n",
                             "\nsignal-to-noise: ", "\nvoiced share: ", "(wide band)"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << " in " << r.out;

    r = run(File("quiet.wav"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.rfind("verdict: TooQuiet\n", 0), 0u) << r.out;
    EXPECT_NEAR(figure(r.out, "peak"), -30, 0.1);
    EXPECT_NEAR(figure(r.out, "RMS level"), SoxStat(SoxFile("quiet.wav"), "RMS lev dB"), 0.1);

    // A file that cannot be read: the reason, nothing on stdout.
    WaveBuilder::Write(File("text.wav"), {'h', 'e', 'l', 'l', 'o'});
    for (const char* name : {"text.wav", "none.wav"}) {
        r = run(File(name));
        EXPECT_EQ(r.code, 1) << name;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(r.err.rfind("pelmora: " + File(name) + ": ", 0), 0u) << r.err;
    }
}

} // namespace
