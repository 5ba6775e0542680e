// Where page 4's level meter puts speech. The meter's scale is the
// recorder's level, decibels x 100 of one 160 ms buffer's mean square: 0 for
// silence, 9031 for a full-scale square wave (20 log10 32768 = 90.31 dB). A
// figure of d dBFS therefore sits at 9031 + 100 d, peaks as well as levels.
#pragma once

#include "audio/AutoLevel.h"

// The peaks of speech a recogniser hears well: the automatic level's band.
inline constexpr double kTargetPeakLowDbfs = CAutoLevel::kTargetLowDb;
inline constexpr double kTargetPeakHighDbfs = CAutoLevel::kTargetHighDb;
// How far the loudest 160 ms buffer's level lies below the peak of what
// was said: 13.9 to 15.9 dB on our test sentence (resources/voice/voice.wav),
// depending on where the recorder's buffers begin in it. The bar shows
// levels, so its target zone lies this far below the target peaks.
inline constexpr double kSpeechCrestDb = 15;

// The meter's position for a figure in dBFS (9031 + 100 d, at least 0).
int MeterPosOfDbfs(double dbfs);
// The recorder's peak (0..32768) on the meter's scale; no peak (-1) and
// silence answer 0.
int MeterPosOfPeak(int peak);

// The stretch of the meter's scale where the bar's tip stands while speech
// peaks at the target: the target peaks less speech's crest.
struct MeterZone {
    int low = 0;
    int high = 0;
};
MeterZone SpeechMeterZone();
