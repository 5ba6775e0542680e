// The automatic recording level: fed the figures of each new recorder buffer
// and the recording volume in force (0..10000, the mixer facade's scale), it
// answers the volume to set, so that the peaks of speech land between -9 and
// -3 dBFS. It reckons in decibels through the control's curve (a sound
// server's volume is cubic, a card's multiplier linear, an ALSA control has
// its own dB ranges), so a step of so many dB is that many dB on every
// backend. Clipping or a peak above the band brings the gain down at once;
// speech that stays below the band raises it in bounded steps; silence and
// steady noise change nothing. A change reaches the samples a few buffers
// later: those are not judged. The volume never leaves 5 %..100 % through
// it, a volume is rounded down so a step never ends above what it aims at,
// and a gain that was too loud once is not reached again by a rise, so the
// level settles instead of swinging. A pure calculation: the microphone page
// reads the recorder and moves the mixer and the slider.
#pragma once

#include "audio/MeasureLevel.h"
#include "platform/volume_curve.h"

#include <cstdint>
#include <deque>

class CAutoLevel {
public:
    static constexpr int kMaxVolume = 10000;
    static constexpr int kMinVolume = 500;
    // The band speech peaks are brought into, and where a step aims: a
    // little under the middle, since the loudest syllable of a sentence is
    // rarely among those a step was judged on.
    static constexpr double kTargetLowDb = -9;
    static constexpr double kTargetHighDb = -3;
    static constexpr double kAimDb = -7;
    // A rise is at most this many dB; clipping, whose true peak is unknown,
    // lowers by this many dB.
    static constexpr double kMaxRiseDb = 30;
    // A smaller rise is not made: the level stays instead of creeping.
    static constexpr double kLeastRiseDb = 1;
    static constexpr double kClipDropDb = 10;
    // Speech buffers heard since the last change (of the last 4 s), none of
    // them reaching the band, before a rise (about 0.8 s).
    static constexpr int kQuietBuffersBeforeRise = 5;
    // Buffers after a change that are not judged: the first was partly
    // recorded at the old volume, and a sound server applies a volume to the
    // samples a buffer or so after it was set.
    static constexpr int kSettleBuffers = 2;
    // Quiet speech, that may raise the volume, is a buffer whose peak would
    // reach -45 dBFS at a gain of 0 dB, and whose level lies 12 dB above the
    // quietest buffer of the last 4 s (the room's floor), so steady noise
    // never pumps the volume up (kSpeechAboveSilence where the floor is
    // digital silence); a buffer too loud is never silence and
    // lowers it whatever the room.
    static constexpr double kSpeechPeakDb = -45;
    static constexpr int kSpeechAboveFloor = 1200;
    // Over digital silence (a sound server's volume far down leaves nothing
    // of the room), 6 dB over a step of the 16-bit scale is already a sound.
    static constexpr int kSpeechAboveSilence = 600;
    static constexpr std::size_t kFloorBuffers = 25;
    // And the levels heard since the first of them, pauses included, differ
    // by 6 dB at least: syllables, not a steady sound.
    static constexpr int kSpeechSwing = 600;

    // A new recording: nothing heard yet. The curve of the recording volume
    // (a linear amplitude until told) is kept.
    void Reset();
    void SetCurve(const plat::VolumeCurve& curve) { m_curve = curve; }

    // The volume to set after this buffer; `volume` itself when it stays. A
    // negative volume (no recording control) is answered unchanged.
    int OnBuffer(const LevelBuffer& buffer, int volume);

    // Whether the last buffer given counted as quiet or fitting speech.
    bool LastWasSpeech() const { return m_lastSpeech; }

    // The gain of a volume through the curve, and the highest volume whose
    // gain does not pass db (within 5 %..100 %, and never below 5 % where
    // even that passes it).
    double GainDb(int volume) const;
    int VolumeAtMost(double db) const;

    // After a recording the level left wrong (its loudest peak at peakDbfs,
    // clipped or not, recorded at volume): the volume that brings that peak
    // to where a step aims, within the bounds.
    int MendedVolume(double peakDbfs, bool clipped, int volume) const;

private:
    bool IsSpeech(const LevelBuffer& buffer, double gainDb) const;
    // A lower or higher gain within the bounds, or `volume` when the bounds
    // leave none; Apply keeps the change's bookkeeping.
    int Drop(int volume, double gainDb);
    int Rise(int volume, double gainDb);
    int Apply(int volume, int next);

    plat::VolumeCurve m_curve;
    std::deque<int> m_levels;        // the last kFloorBuffers levels, for the floor
    std::deque<LevelBuffer> m_heard; // since the last change, the last kFloorBuffers
    int m_settle = 0;
    double m_ceilingDb = 1e9; // the lowest gain found too loud
    bool m_lastSpeech = false;
};
