// The automatic recording level: fed the figures of each new recorder buffer
// and the recording volume in force (0..10000, the mixer facade's scale), it
// answers the volume to set, so that the peaks of speech land between -9 and
// -3 dBFS. Clipping or a peak above the band brings the volume down at once;
// speech that stays below the band raises it in bounded steps; silence and
// steady noise below the band change nothing. The volume never leaves 5 %..100 % through
// it, and a volume that was too loud once is not reached again by a rise, so
// the level settles instead of swinging. A pure calculation: the microphone
// page reads the recorder and moves the mixer and the slider.
#pragma once

#include <cstdint>
#include <deque>

// One recorder buffer as the automatic level sees it.
struct LevelBuffer {
    int peak = 0;         // the largest |sample|, 0..32768
    int level = 0;        // the recorder's level: 100 per dB, 0 for silence
    bool clipped = false; // three full-scale samples in a row in this buffer
};

class CAutoLevel {
public:
    static constexpr int kMaxVolume = 10000;
    static constexpr int kMinVolume = 500;
    // The band speech peaks are brought into, and where a step aims.
    static constexpr double kTargetLowDb = -9;
    static constexpr double kTargetHighDb = -3;
    static constexpr double kAimDb = -6;
    // A rise is at most this many dB; clipping lowers by this many dB.
    static constexpr double kMaxRiseDb = 8;
    static constexpr double kClipDropDb = 6;
    // Speech buffers, all below the band, before a rise (about 0.8 s).
    static constexpr int kQuietBuffersBeforeRise = 5;
    // Buffers after a change that were partly recorded at the old volume and
    // are not judged.
    static constexpr int kSettleBuffers = 1;
    // Quiet speech, that may raise the volume, is a buffer whose peak reaches
    // -45 dBFS and whose level lies 12 dB above the quietest buffer of the
    // last 4 s (the room's floor), so steady noise never pumps the volume up;
    // a buffer too loud is never silence and lowers it whatever the room.
    static constexpr int kSpeechPeak = 184;
    static constexpr int kSpeechAboveFloor = 1200;
    static constexpr std::size_t kFloorBuffers = 25;
    // And the levels heard since the first of them, pauses included, differ
    // by 6 dB at least: syllables, not a steady sound.
    static constexpr int kSpeechSwing = 600;

    // A new recording: nothing heard yet.
    void Reset();

    // The volume to set after this buffer; `volume` itself when it stays. A
    // negative volume (no recording control) is answered unchanged.
    int OnBuffer(const LevelBuffer& buffer, int volume);

    // Whether the last buffer given counted as quiet or fitting speech.
    bool LastWasSpeech() const { return m_lastSpeech; }

private:
    bool IsSpeech(const LevelBuffer& buffer) const;
    // A lower or higher volume within the bounds, or `volume` when the bounds
    // leave none; Apply keeps the change's bookkeeping.
    int Drop(int volume, double next);
    int Rise(int volume, double next);
    int Apply(int volume, int next);

    std::deque<int> m_levels; // the last kFloorBuffers levels, for the floor
    int m_quietPeak = 0;      // the loudest peak of the speech counted below
    int m_quietBuffers = 0;   // speech buffers below the band since the last change
    int m_quietLow = 0;       // the lowest and highest levels since the first
    int m_quietHigh = 0;
    int m_settle = 0;
    int m_ceiling = kMaxVolume + 1; // the lowest volume found too loud
    bool m_lastSpeech = false;
};
