// The automatic recording level on buffers of a simulated talker and room:
// what the microphone hears is scaled by the volume as on a card whose gain
// follows its volume control (linearly, or cubically as a sound server's
// software volume, and a buffer or more late), and the controller's answers
// are fed back.
#include "audio/AutoLevel.h"
#include "audio/MeasureLevel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kFull = 32767;

// A buffer whose loudest sample lies at `peakDb` dBFS, with a level 12 dB
// under its peak, as speech has.
LevelBuffer Speech(double peakDb) {
    LevelBuffer b;
    b.peak = std::min(kFull, static_cast<int>(std::lround(32768 * std::pow(10, peakDb / 20))));
    b.level = std::max(0, static_cast<int>((90.3 + peakDb - 12)) * 100);
    return b;
}

// Steady noise of that peak: its level lies only 4 dB under its peak.
LevelBuffer Noise(double peakDb) {
    LevelBuffer b = Speech(peakDb);
    b.level += 800;
    return b;
}

LevelBuffer Clipped() {
    LevelBuffer b = Speech(0);
    b.clipped = true;
    return b;
}

const LevelBuffer kSilence{};

// Quiet speech: two syllables of unequal loudness and a pause, again and again.
LevelBuffer Syllable(int i) {
    return i % 3 == 0 ? kSilence : Speech(i % 3 == 1 ? -30 : -37);
}
const double kPause = std::nan("");

// A talker whose loudest sound peaks at `loudDb` dBFS at full volume (above
// 0: the card clips), reading a sentence again and again: `sentence` holds,
// for each 160 ms buffer, its loudness in dB under the loudest, or kPause.
struct Talker {
    double loudDb;
    std::vector<double> sentence;
    // The card's curve: gain = exponent * 20 log10(volume / 10000).
    double exponent = 1;

    double GainDb(int volume) const {
        return exponent * 20 * std::log10(std::max(volume, 1) / 10000.0);
    }
    LevelBuffer At(std::size_t i, int volume) const {
        const double rel = sentence[i % sentence.size()];
        if (std::isnan(rel))
            return kSilence;
        const double db = loudDb + rel + GainDb(volume);
        return db >= 0 ? Clipped() : Speech(db);
    }
    // The loudest peak of one sentence at `volume`, in dBFS.
    double LoudestAt(int volume) const { return loudDb + GainDb(volume); }
};

// About 3.2 s: a pause, words of unequal loudness, a pause.
const std::vector<double> kSentence = {kPause, kPause, -8,     -3,     -12,    -6,    0,
                                       -4,     -10,    -2,     -7,     -5,     -9,    -1,
                                       -6,     -11,    kPause, kPause, kPause, kPause};

struct Outcome {
    int volume;
    int changes = 0;
    double largestRiseDb = 0;
    int lastChangeAt = -1;
};

// Feeds `buffers` buffers of the talker, starting at `volume` and `from` the
// sentence's first buffer; a change of volume reaches the samples `late`
// buffers after the one it answered.
Outcome Listen(CAutoLevel& control, const Talker& talker, int volume, int buffers,
               std::size_t from = 0, int late = 0) {
    Outcome run{volume};
    std::vector<int> heard(static_cast<std::size_t>(late) + 1, volume); // volumes in the samples
    for (int i = 0; i < buffers; ++i) {
        const int next = control.OnBuffer(
            talker.At(from + static_cast<std::size_t>(i), heard.front()), run.volume);
        heard.erase(heard.begin());
        heard.push_back(next);
        EXPECT_GE(next, CAutoLevel::kMinVolume);
        EXPECT_LE(next, CAutoLevel::kMaxVolume);
        if (next != run.volume) {
            run.largestRiseDb =
                std::max(run.largestRiseDb, 20 * std::log10(double(next) / run.volume));
            ++run.changes;
            run.lastChangeAt = i;
        }
        run.volume = next;
    }
    return run;
}

double Db(int to, int from) {
    return 20 * std::log10(double(to) / from);
}

TEST(AutoLevel, ClippingLowersTheVolumeAtOnceAndTheNextBufferIsNotJudged) {
    CAutoLevel control;
    EXPECT_EQ(control.OnBuffer(kSilence, 8000), 8000);
    const int lowered = control.OnBuffer(Clipped(), 8000);
    EXPECT_NEAR(Db(lowered, 8000), -CAutoLevel::kClipDropDb, 0.01);
    // Recorded partly or wholly at the old volume: not judged.
    for (int i = 0; i < CAutoLevel::kSettleBuffers; ++i)
        EXPECT_EQ(control.OnBuffer(Clipped(), lowered), lowered);
    EXPECT_LT(control.OnBuffer(Clipped(), lowered), lowered);

    // A full-scale peak without three samples in a row lowers it too.
    CAutoLevel other;
    LevelBuffer top = Speech(0);
    top.peak = 32768;
    EXPECT_LT(other.OnBuffer(top, 8000), 8000);
}

TEST(AutoLevel, APeakAboveTheBandLowersTheVolumeAtOnceTowardsTheMiddle) {
    CAutoLevel control;
    const int lowered = control.OnBuffer(Speech(-1), 8000);
    EXPECT_NEAR(Db(lowered, 8000), CAutoLevel::kAimDb - (-1), 0.05);
    // In the band: nothing moves, however long.
    CAutoLevel inBand;
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(inBand.OnBuffer(Speech(-4), 5000), 5000);
        EXPECT_EQ(inBand.OnBuffer(Speech(-8.5), 5000), 5000);
    }
}

TEST(AutoLevel, QuietSpeechRaisesTheVolumeInBoundedStepsIntoTheBand) {
    // At 10 % the loudest word peaks at -26 dBFS: 20 dB to go.
    const Talker talker{-6, kSentence};
    CAutoLevel control;
    const Outcome run = Listen(control, talker, 1000, 150);
    EXPECT_GE(run.changes, 1);
    EXPECT_LE(run.largestRiseDb, CAutoLevel::kMaxRiseDb + 0.01);
    EXPECT_GE(talker.LoudestAt(run.volume), CAutoLevel::kTargetLowDb - 0.5);
    EXPECT_LE(talker.LoudestAt(run.volume), CAutoLevel::kTargetHighDb);
    // Settled well before the end: about 10 s of reading.
    EXPECT_LT(run.lastChangeAt, 80);

    // One quiet buffer is no reason to rise; five in a row are.
    CAutoLevel few;
    EXPECT_EQ(few.OnBuffer(kSilence, 3000), 3000);
    for (int i = 0; i < CAutoLevel::kQuietBuffersBeforeRise - 1; ++i)
        EXPECT_EQ(few.OnBuffer(Speech(i % 2 ? -20 : -28), 3000), 3000);
    EXPECT_GT(few.OnBuffer(Speech(-20), 3000), 3000);
}

TEST(AutoLevel, FromFullVolumeOnAHotMicrophoneItComesDownAndSettles) {
    // The loudest word would peak at +9 dBFS at full volume: the card clips.
    const Talker talker{9, kSentence};
    CAutoLevel control;
    const Outcome run = Listen(control, talker, 10000, 150);
    EXPECT_GE(talker.LoudestAt(run.volume), CAutoLevel::kTargetLowDb - 0.5);
    EXPECT_LE(talker.LoudestAt(run.volume), CAutoLevel::kTargetHighDb);
    // No swinging: a volume found too loud is not reached again.
    EXPECT_LE(run.changes, 6);
    EXPECT_LT(run.lastChangeAt, 80);
}

TEST(AutoLevel, SilenceAndSteadyNoiseChangeNothing) {
    CAutoLevel control;
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(control.OnBuffer(kSilence, 1000), 1000);
    EXPECT_FALSE(control.LastWasSpeech());
    // A fan switched on at -30 dBFS: louder than the room was, but steady.
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(control.OnBuffer(Noise(-30), 1000), 1000) << i;
    // Noise from the start of the recording is the room itself.
    CAutoLevel room;
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(room.OnBuffer(Noise(-35), 1000), 1000);
    // A whisper far below -45 dBFS is not taken for speech either.
    CAutoLevel whisper;
    EXPECT_EQ(whisper.OnBuffer(kSilence, 1000), 1000);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(whisper.OnBuffer(Speech(-50), 1000), 1000);
}

TEST(AutoLevel, TheRoomsFloorMovesWithTheVolumeSoNoiseNeverPumpsItUp) {
    // A room whose noise comes and goes by 6 dB (traffic), heard through
    // every pause of quiet speech; all of it grows with the volume.
    auto room = [](int i, double gain) { return Noise((i % 2 ? -50 : -44) + gain); };
    CAutoLevel control;
    int volume = 1000;
    for (int i = 0; i < 12; ++i)
        ASSERT_EQ(volume = control.OnBuffer(room(i, 0), volume), 1000);
    // Until more than 12 dB up: the room now sounds as loud as speech did
    // at first.
    for (int i = 0; i < 60 && volume <= 4000; ++i) {
        const double gain = Db(volume, 1000);
        const LevelBuffer b = i % 3 == 0 ? room(i, gain) : Speech((i % 3 == 1 ? -28 : -22) + gain);
        volume = control.OnBuffer(b, volume);
    }
    ASSERT_GT(volume, 4000);
    // The speaker stops right after that rise: the room, louder by it, is
    // still the room.
    const int reached = volume;
    const double gain = Db(volume, 1000);
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(control.OnBuffer(room(i, gain), reached), reached) << i;
}

TEST(AutoLevel, BoundsOfTheControlAndOfFivePercent) {
    // Quiet at 90 %: up to the control's maximum, never past it.
    CAutoLevel top;
    const Outcome high = Listen(top, Talker{-40, kSentence}, 9000, 100);
    EXPECT_EQ(high.volume, CAutoLevel::kMaxVolume);

    // Clipping at 6 %: down to 5 %, then no lower however it clips.
    CAutoLevel bottom;
    int volume = bottom.OnBuffer(Clipped(), 600);
    EXPECT_EQ(volume, CAutoLevel::kMinVolume);
    for (int i = 0; i < 10; ++i)
        volume = bottom.OnBuffer(Clipped(), volume);
    EXPECT_EQ(volume, CAutoLevel::kMinVolume);

    // Below 5 % already (the user's setting): clipping leaves it; quiet
    // speech lifts it to 5 % at least.
    CAutoLevel below;
    EXPECT_EQ(below.OnBuffer(Clipped(), 200), 200);
    CAutoLevel lift;
    int v = lift.OnBuffer(kSilence, 200);
    for (int i = 0; i < CAutoLevel::kQuietBuffersBeforeRise; ++i)
        v = lift.OnBuffer(Speech(i % 2 ? -40 : -33), v);
    EXPECT_GE(v, CAutoLevel::kMinVolume);

    // No recording control.
    CAutoLevel none;
    EXPECT_EQ(none.OnBuffer(Clipped(), -1), -1);
}

TEST(AutoLevel, ResetForgetsTheVolumeFoundTooLoud) {
    CAutoLevel control;
    int volume = control.OnBuffer(Clipped(), 8000); // 8000 too loud: rises stop below it
    for (int i = 0; i < 40; ++i)
        volume = control.OnBuffer(Syllable(i), volume);
    EXPECT_LT(volume, 8000);
    control.Reset();
    int fresh = volume;
    for (int i = 0; i < 40; ++i)
        fresh = control.OnBuffer(Syllable(i), fresh);
    EXPECT_GT(fresh, volume);
}

TEST(AutoLevel, ASentenceWhoseLoudWordIsInTheBandIsNotRaisedForItsSoftOnes) {
    // At 70 %: one word at -5 dBFS, then six softer ones below the band,
    // and a pause.
    const Talker talker{-5 - 20 * std::log10(0.7), {0, -5, -9, -7, -4.5, -11, -6, kPause, kPause}};
    CAutoLevel control;
    const Outcome run = Listen(control, talker, 7000, 150);
    EXPECT_EQ(run.changes, 0) << "ended at " << run.volume;
}

TEST(AutoLevel, WordsHeardBeforeTheFirstPauseCountOnceThePauseShowsTheFloor) {
    // The recording starts in the middle of two seconds of even words (their
    // levels within 2 dB): the room's floor and the syllables show only at
    // the pause, and its first buffer already rises.
    std::vector<double> sentence(12, -1.0);
    sentence[0] = sentence[5] = sentence[9] = 0;
    sentence.insert(sentence.end(), {kPause, kPause, 0, -1, 0, -1, 0, -1, kPause, kPause});
    const Talker talker{-10, sentence};
    CAutoLevel control;
    int volume = 1000, firstChange = -1;
    for (int i = 0; i < static_cast<int>(sentence.size()) && firstChange < 0; ++i) {
        const int next = control.OnBuffer(talker.At(static_cast<std::size_t>(i), volume), volume);
        if (next != volume)
            firstChange = i;
        volume = next;
    }
    EXPECT_EQ(firstChange, 12);
}

plat::VolumeCurve Cubic() {
    plat::VolumeCurve curve;
    curve.exponent = 3;
    return curve;
}

TEST(AutoLevel, OnASoundServersCubicVolumeAStepIsTheDecibelsItAimsAt) {
    CAutoLevel control;
    control.SetCurve(Cubic());
    // A peak at -1 dBFS: 6 dB down, not the 18 dB a linear reckoning gives.
    const int lowered = control.OnBuffer(Speech(-1), 8000);
    EXPECT_NEAR(3 * Db(lowered, 8000), CAutoLevel::kAimDb + 1, 0.05);
    EXPECT_LE(3 * Db(lowered, 8000), CAutoLevel::kAimDb + 1) << "rounded down, never above";
    // The curve stays for the next recording.
    control.Reset();
    EXPECT_NEAR(control.GainDb(5000), 60 * std::log10(0.5), 1e-9);
}

TEST(AutoLevel, ACubicCardThatAppliesTheVolumeLateEndsInTheBandWhereverTheSentenceStarts) {
    // The card a sound server makes: cubic, and a change heard a buffer
    // after the next. From 10 % (-60 dB: the loudest word at -69 dBFS, a few
    // steps of the 16-bit scale) and from 100 % (clipping by 9 dB), with the
    // recording starting at each of nine places of the sentence.
    for (const double loud : {-9.0, 9.0})
        for (const int start : {1000, 10000})
            for (std::size_t from = 0; from < 18; from += 2) {
                const Talker talker{loud, kSentence, 3};
                CAutoLevel control;
                control.SetCurve(Cubic());
                const Outcome run = Listen(control, talker, start, 150, from, 1);
                SCOPED_TRACE(testing::Message()
                             << "loud " << loud << " start " << start << " from " << from);
                EXPECT_GE(talker.LoudestAt(run.volume), CAutoLevel::kTargetLowDb);
                EXPECT_LE(talker.LoudestAt(run.volume), CAutoLevel::kTargetHighDb);
                EXPECT_LT(run.lastChangeAt, 80);
                EXPECT_LE(run.changes, 6);
            }
}

TEST(AutoLevel, TheMendedVolumeBringsTheRecordingsPeakToTheAimThroughTheCurve) {
    CAutoLevel control;
    control.SetCurve(Cubic());
    // Clipped at 80 %: 10 dB down on the cubic curve.
    const int down = control.MendedVolume(0, true, 8000);
    EXPECT_NEAR(60 * std::log10(down / 8000.0), -CAutoLevel::kClipDropDb, 0.01);
    // Peaks at -0.5 dBFS, not clipped: down to the aim.
    EXPECT_NEAR(60 * std::log10(control.MendedVolume(-0.5, false, 8000) / 8000.0),
                CAutoLevel::kAimDb + 0.5, 0.01);
    // Peaks at -25 dBFS at 40 %: up 18 dB.
    const int up = control.MendedVolume(-25, false, 4000);
    EXPECT_NEAR(60 * std::log10(up / 4000.0), CAutoLevel::kAimDb + 25, 0.01);
    // Far too quiet at 90 %: the control's top, and no more.
    EXPECT_EQ(control.MendedVolume(-60, false, 9000), CAutoLevel::kMaxVolume);
    // Clipping at 5 % already: the bottom.
    EXPECT_EQ(control.MendedVolume(0, true, CAutoLevel::kMinVolume), CAutoLevel::kMinVolume);
    // On a linear card the same peak moves the volume three times as far.
    CAutoLevel linear;
    EXPECT_NEAR(20 * std::log10(linear.MendedVolume(-25, false, 1000) / 1000.0),
                CAutoLevel::kAimDb + 25, 0.01);
}

} // namespace
