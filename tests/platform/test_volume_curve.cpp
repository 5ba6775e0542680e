// Volume curves: the power laws of a multiplier and of a sound server's
// volume, and the tables of controls that tell their decibels.
#include "platform/volume_curve.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using plat::CurveFractionFor;
using plat::CurveGainDb;
using plat::kVolumeMutedDb;
using plat::VolumeCurve;

TEST(VolumeCurve, PowerLawsAndTheirInverse) {
    VolumeCurve linear;
    EXPECT_NEAR(CurveGainDb(linear, 0.5), -6.0206, 1e-3);
    EXPECT_EQ(CurveGainDb(linear, 1), 0);
    EXPECT_EQ(CurveGainDb(linear, 0), kVolumeMutedDb);
    EXPECT_EQ(CurveGainDb(linear, 1.5), 0) << "clamped to the range";
    VolumeCurve cubic;
    cubic.exponent = 3;
    EXPECT_NEAR(CurveGainDb(cubic, 0.5), -18.0618, 1e-3);
    EXPECT_NEAR(CurveGainDb(cubic, 0.1), -60, 1e-9);
    for (const double db : {-60.0, -18.0, -6.0, -0.5})
        EXPECT_NEAR(CurveGainDb(cubic, CurveFractionFor(cubic, db)), db, 1e-9) << db;
    EXPECT_EQ(CurveFractionFor(cubic, 3), 1) << "no gain reaches +3 dB";
    EXPECT_EQ(CurveFractionFor(cubic, -200), 0);
}

TEST(VolumeCurve, ATableFromAControlsDecibelsIsInterpolatedAndNeverFalls) {
    // A capture control of 0..31 from -17.25 dB to +29.25 dB in 1.5 dB steps,
    // its lowest step muted, as codecs' capture volumes are.
    VolumeCurve curve;
    ASSERT_TRUE(plat::TableCurve(
        0, 31,
        [](long raw, double& db) {
            db = raw == 0 ? -99999.99 : -17.25 + 1.5 * static_cast<double>(raw);
            return true;
        },
        curve));
    ASSERT_EQ(curve.table.size(), 32u);
    EXPECT_EQ(CurveGainDb(curve, 0), kVolumeMutedDb);
    EXPECT_NEAR(CurveGainDb(curve, 1), 29.25, 1e-9);
    EXPECT_NEAR(CurveGainDb(curve, 11.5 / 31), -17.25 + 1.5 * 11.5, 1e-9);
    // 0 dB lies between raw 11 (-0.75) and 12 (+0.75): halfway.
    EXPECT_NEAR(CurveFractionFor(curve, 0) * 31, 11.5, 1e-6);

    // A wide range is sampled at 257 points; a gain that dips is held up.
    VolumeCurve wide;
    ASSERT_TRUE(plat::TableCurve(
        -10000, 100000,
        [](long raw, double& db) {
            db = raw / 1000.0 - (raw == 100000 ? 50 : 0);
            return true;
        },
        wide));
    ASSERT_EQ(wide.table.size(), 257u);
    EXPECT_DOUBLE_EQ(wide.table.back().fraction, 1);
    EXPECT_GE(wide.table.back().db, wide.table[255].db);

    // A control that does not tell, or has no range, gives no table.
    VolumeCurve none;
    EXPECT_FALSE(plat::TableCurve(
        0, 31, [](long, double&) { return false; }, none));
    EXPECT_FALSE(plat::TableCurve(
        5, 5, [](long, double& db) { return db = 0, true; }, none));
    EXPECT_TRUE(none.table.empty());
}

} // namespace
