#include "platform/volume_curve.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace plat {

double CurveGainDb(const VolumeCurve& curve, double fraction) {
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (curve.table.empty()) {
        if (fraction <= 0)
            return kVolumeMutedDb;
        return std::max(curve.exponent * 20 * std::log10(fraction), kVolumeMutedDb);
    }
    const std::vector<VolumePoint>& t = curve.table;
    if (fraction <= t.front().fraction)
        return std::max(t.front().db, kVolumeMutedDb);
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (fraction > t[i].fraction)
            continue;
        const double span = t[i].fraction - t[i - 1].fraction;
        const double at = span > 0 ? (fraction - t[i - 1].fraction) / span : 1;
        const double low = std::max(t[i - 1].db, kVolumeMutedDb);
        const double high = std::max(t[i].db, kVolumeMutedDb);
        return low + at * (high - low);
    }
    return std::max(t.back().db, kVolumeMutedDb);
}

double CurveFractionFor(const VolumeCurve& curve, double db) {
    if (CurveGainDb(curve, 0) >= db)
        return 0;
    if (CurveGainDb(curve, 1) < db)
        return 1;
    if (curve.table.empty() && curve.exponent > 0)
        return std::clamp(std::pow(10.0, db / (20 * curve.exponent)), 0.0, 1.0);
    // Bisection over the rising gain: 40 halvings reach far below a step of
    // any control.
    double low = 0, high = 1;
    for (int i = 0; i < 40; ++i) {
        const double mid = (low + high) / 2;
        (CurveGainDb(curve, mid) >= db ? high : low) = mid;
    }
    return high;
}

bool TableCurve(long min, long max, const std::function<bool(long raw, double& db)>& dbAt,
                VolumeCurve& curve) {
    if (max <= min)
        return false;
    constexpr long kMostPoints = 257;
    const long steps = std::min(max - min, kMostPoints - 1);
    VolumeCurve table;
    double highest = kVolumeMutedDb;
    for (long i = 0; i <= steps; ++i) {
        const long raw = min + static_cast<long>(static_cast<double>(max - min) * i / steps);
        double db = 0;
        if (!dbAt(raw, db))
            return false;
        highest = std::max(highest, db);
        table.table.push_back(
            {static_cast<double>(raw - min) / static_cast<double>(max - min), highest});
    }
    curve = std::move(table);
    return true;
}

} // namespace plat
