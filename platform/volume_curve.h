// How a volume control's setting maps to the gain it gives. Settings are
// fractions of the control's range (0 at its minimum, 1 at its maximum), so
// a curve holds whatever units the control counts in. A power law covers the
// linear amplitude of a plain multiplier (exponent 1) and a sound server's
// cubic software volume (exponent 3); a control that knows its decibels (an
// ALSA element with dB ranges) gives a table instead.
#pragma once

#include <functional>
#include <vector>

namespace plat {

// The gain of a silenced control, and the lowest any curve answers.
inline constexpr double kVolumeMutedDb = -120;

struct VolumePoint {
    double fraction = 0; // of the control's range, 0..1
    double db = 0;       // the gain there
};

struct VolumeCurve {
    // With no table: gain = exponent * 20 log10(fraction).
    double exponent = 1;
    // Rising fractions from 0 to 1, gains never falling; interpolated between.
    std::vector<VolumePoint> table;
};

// The gain at a fraction of the range (clamped to 0..1), kVolumeMutedDb at
// the least.
double CurveGainDb(const VolumeCurve& curve, double fraction);
// The smallest fraction whose gain reaches db, 1 when none does, 0 when the
// control's minimum already does.
double CurveFractionFor(const VolumeCurve& curve, double db);

// The table of a control whose raw values min..max know their gain (dbAt
// false where one does not): every raw value of a narrow range, 257 spread
// over a wide one, the gains kept from falling. False when the range is empty
// or a gain is not told.
bool TableCurve(long min, long max, const std::function<bool(long raw, double& db)>& dbAt,
                VolumeCurve& curve);

} // namespace plat
