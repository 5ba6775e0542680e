// The automatic recording level on buffers of a simulated talker and room:
// what the microphone hears is scaled by the volume as on a card whose gain
// follows its volume control, and the controller's answers are fed back.
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

    LevelBuffer At(std::size_t i, int volume) const {
        const double rel = sentence[i % sentence.size()];
        if (std::isnan(rel))
            return kSilence;
        const double db = loudDb + rel + 20 * std::log10(std::max(volume, 1) / 10000.0);
        return db >= 0 ? Clipped() : Speech(db);
    }
    // The loudest peak of one sentence at `volume`, in dBFS.
    double LoudestAt(int volume) const { return loudDb + 20 * std::log10(volume / 10000.0); }
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

// Feeds `buffers` buffers of the talker, starting at `volume`.
Outcome Listen(CAutoLevel& control, const Talker& talker, int volume, int buffers) {
    Outcome run{volume};
    for (int i = 0; i < buffers; ++i) {
        const int next =
            control.OnBuffer(talker.At(static_cast<std::size_t>(i), run.volume), run.volume);
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
    // Recorded partly at the old volume: not judged.
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
    EXPECT_GE(run.changes, 3); // 20 dB in steps of at most 8
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

} // namespace
