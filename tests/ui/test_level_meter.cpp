// The level meter as the user sees it: the colour of the bar's tip in each
// zone read from the drawn pixels, the peak tick's hold and fall, the bar's
// fall between buffers, the latched clip sign, and no paint when the picture
// stays the same. Time is passed in by hand, so nothing here sleeps.
#include "tests/support/GuiSessionTest.h"
#include "ui/Dialog.h"
#include "ui/LevelMeter.h"
#include "ui/Testing.h"
#include "ui/WinApp.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The page's figures: its colours, its range, the speech zone it marks.
constexpr COLORREF kLeft = 0x0091FF96;
constexpr COLORREF kRight = 0x002020FF;
constexpr int kMax = 9031;
constexpr int kZoneLow = 6631;
constexpr int kZoneHigh = 7231;
constexpr int kWidth = 238; // 236 inner pixels
constexpr int kHeight = 16;

int R(COLORREF c) {
    return GetRValue(c);
}
int G(COLORREF c) {
    return GetGValue(c);
}
int B(COLORREF c) {
    return GetBValue(c);
}
bool Near(COLORREF a, COLORREF b, int tolerance = 8) {
    return std::abs(R(a) - R(b)) <= tolerance && std::abs(G(a) - G(b)) <= tolerance &&
           std::abs(B(a) - B(b)) <= tolerance;
}

class Host : public CDialog {
public:
    Host() : CDialog(500) { SetTemplate("Host", 400, 100, false); }
};

class LevelMeterTest : public GuiSessionTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.CreateIndirect());
        ASSERT_TRUE(meter.Create(&host, 1003));
        host.ShowWindow(SW_SHOW); // paints come only to a shown window
        meter.MoveWindow(10, 10, kWidth, kHeight);
        meter.SetRange(0, kMax);
        meter.SetGradientColors(kLeft, kRight);
        meter.SetTargetZone(kZoneLow, kZoneHigh);
        uitest::ProcessEvents(10);
    }
    // The colour of the last filled column, in the middle of the bar's height
    // (clear of the zone marks at its top and bottom).
    COLORREF Tip() { return uitest::PixelAt(meter, meter.FilledWidth(), kHeight / 2); }
    COLORREF Column(int x) { return uitest::PixelAt(meter, 1 + x, kHeight / 2); }

    Host host;
    CLevelMeter meter;
};

TEST_F(LevelMeterTest, TheTipsColourTellsTheZone) {
    // Quiet: green. The levels are those of the recorder (decibels x 100).
    meter.SetPos(3000);
    COLORREF tip = Tip();
    EXPECT_GT(G(tip), 200);
    EXPECT_GT(G(tip) - R(tip), 40) << std::hex << tip;
    EXPECT_TRUE(Near(tip, meter.GradientColorAt(3000))) << std::hex << tip;

    // In the middle of the speech zone: yellow, red and green both strong.
    meter.SetPos((kZoneLow + kZoneHigh) / 2);
    tip = Tip();
    EXPECT_GT(R(tip), 200) << std::hex << tip;
    EXPECT_GT(G(tip), 200) << std::hex << tip;
    EXPECT_LT(B(tip), 150) << std::hex << tip;

    // Near full scale: red.
    meter.SetPos(8900);
    tip = Tip();
    EXPECT_GT(R(tip), 200) << std::hex << tip;
    EXPECT_LT(G(tip), 100) << std::hex << tip;
    EXPECT_TRUE(Near(tip, meter.GradientColorAt(8900))) << std::hex << tip;
}

TEST_F(LevelMeterTest, TheGradientBelongsToTheBarNotToTheFilledPart) {
    // A column keeps its colour whatever the level, so a short bar never
    // ends in red.
    meter.SetPos(2500);
    const COLORREF shortBar = Column(40);
    const COLORREF shortTip = Tip();
    meter.SetPos(8800);
    EXPECT_TRUE(Near(Column(40), shortBar, 3)) << std::hex << Column(40) << " " << shortBar;
    EXPECT_FALSE(Near(Tip(), shortTip, 40));
    // Beyond the tip the bar is empty: the face colour, not the gradient.
    meter.SetPos(2500);
    const COLORREF empty = Column(meter.FilledWidth() + 20);
    EXPECT_FALSE(Near(empty, meter.GradientColorAt(2500 + 20 * kMax / 236), 30));
    // The zone marks are drawn at the top edge where the zone begins.
    const int markX = 1 + 236 * kZoneLow / kMax;
    EXPECT_TRUE(Near(uitest::PixelAt(meter, markX, 1), RGB(80, 80, 80), 2));
    EXPECT_FALSE(Near(uitest::PixelAt(meter, markX, kHeight / 2), RGB(80, 80, 80), 20));
}

TEST_F(LevelMeterTest, ThePeakTickHoldsOneAndAHalfSecondsThenFalls) {
    meter.SetLevel(5000);
    meter.SetPeak(8000);
    ASSERT_TRUE(meter.HasPeak());
    const int x = meter.PeakTickX();
    EXPECT_NEAR(x, 236 * 8000 / kMax - 1, 1);
    // The tick is drawn there, dark, right of the bar.
    EXPECT_LT(R(uitest::PixelAt(meter, 1 + x, kHeight / 2)), 60);

    meter.Advance(1000);
    meter.SetPeak(6000); // a lower peak neither moves the tick nor holds it longer
    meter.Advance(480);
    EXPECT_EQ(meter.PeakPos(), 8000);
    meter.Advance(20); // 1.5 s
    EXPECT_EQ(meter.PeakPos(), 8000);
    meter.Advance(20);
    meter.Advance(20);
    EXPECT_LT(meter.PeakPos(), 8000);
    EXPECT_EQ(meter.PeakPos(), 8000 - CLevelMeter::kDefaultFallPerSecond * 40 / 1000);

    // A new peak as loud moves it back at once and holds it again.
    meter.SetPeak(8000);
    EXPECT_EQ(meter.PeakPos(), 8000);
    meter.Advance(1400);
    EXPECT_EQ(meter.PeakPos(), 8000);
    meter.SetPeak(8500);
    EXPECT_EQ(meter.PeakPos(), 8500);
    EXPECT_GT(meter.PeakTickX(), x);

    // It falls to nothing in time and then shows no tick.
    for (int i = 0; i < 400 && meter.HasPeak(); ++i)
        meter.Advance(20);
    EXPECT_FALSE(meter.HasPeak());
    EXPECT_EQ(meter.PeakTickX(), -1);
    meter.SetPeak(7000);
    meter.ClearPeak();
    EXPECT_FALSE(meter.HasPeak());
    meter.SetPeak(0); // silence is no peak
    EXPECT_FALSE(meter.HasPeak());
}

TEST_F(LevelMeterTest, TheBarFallsSmoothlyBetweenBuffersAndRisesAtOnce) {
    meter.SetLevel(7000);
    EXPECT_EQ(meter.ShownPos(), 7000);
    // The next buffer is silent: the bar does not jump to empty.
    meter.SetLevel(0);
    EXPECT_EQ(meter.GetPos(), 0);
    EXPECT_EQ(meter.ShownPos(), 7000);
    EXPECT_FALSE(meter.IsBlank());
    // Over the 160 ms of one buffer it falls by the fall rate, in steps.
    for (int tick = 0; tick < 8; ++tick)
        meter.Advance(20);
    EXPECT_EQ(meter.ShownPos(), 7000 - CLevelMeter::kDefaultFallPerSecond * 160 / 1000);
    const int filled = meter.FilledWidth();
    EXPECT_LT(filled, 236 * 7000 / kMax);
    EXPECT_GT(filled, 236 * 6000 / kMax);

    // A louder buffer shows at once; a quieter one is fallen to, not below.
    meter.SetLevel(7200);
    EXPECT_EQ(meter.ShownPos(), 7200);
    meter.SetLevel(6000);
    for (int tick = 0; tick < 100; ++tick)
        meter.Advance(20);
    EXPECT_EQ(meter.ShownPos(), 6000);

    // SetPos still shows the position at once: stopping empties the bar.
    meter.SetPos(0);
    EXPECT_TRUE(meter.IsBlank());
    EXPECT_EQ(meter.FilledWidth(), 0);
}

TEST_F(LevelMeterTest, TheClipSignStaysUntilCleared) {
    const int signX = kWidth - 2 - CLevelMeter::kClipSignWidth / 2;
    const COLORREF before = uitest::PixelAt(meter, signX, kHeight / 2);
    EXPECT_FALSE(Near(before, RGB(200, 0, 0), 30));
    meter.SetClipped();
    meter.SetPos(1000);
    meter.SetLevel(0);
    for (int tick = 0; tick < 200; ++tick)
        meter.Advance(20);
    meter.ClearPeak();
    EXPECT_TRUE(meter.IsClipShown());
    EXPECT_TRUE(Near(uitest::PixelAt(meter, signX, kHeight / 2), RGB(200, 0, 0), 2));
    meter.ClearClip();
    EXPECT_FALSE(meter.IsClipShown());
    EXPECT_TRUE(Near(uitest::PixelAt(meter, signX, kHeight / 2), before, 2));
}

TEST_F(LevelMeterTest, ItPaintsOnlyWhenWhatItShowsChanges) {
    ASSERT_TRUE(meter.IsWindowVisible());
    uitest::PaintCounter paints(meter);
    auto PaintsAfter = [&](auto change) {
        const int before = paints.Count();
        change();
        uitest::ProcessEvents(5);
        return paints.Count() - before;
    };
    EXPECT_GE(PaintsAfter([&] {
                  meter.SetLevel(5000);
                  meter.SetTextColor(0x000064BE);
              }),
              1);
    // The page's 20 ms tick with nothing new: the same colours, the same
    // level, the percentage still off.
    EXPECT_EQ(PaintsAfter([&] {
                  for (int tick = 0; tick < 25; ++tick) {
                      meter.SetGradientColors(kLeft, kRight);
                      meter.SetTextColor(0x000064BE);
                      meter.SetLevel(5000);
                      meter.ShowPercent(false);
                      meter.Advance(20);
                  }
              }),
              0);
    // A level within the same pixel column draws the same bar.
    EXPECT_EQ(236 * 5000 / kMax, 236 * 5010 / kMax);
    EXPECT_EQ(PaintsAfter([&] { meter.SetLevel(5010); }), 0);
    EXPECT_GE(PaintsAfter([&] { meter.SetLevel(6000); }), 1);
    // A held tick costs one paint when it comes and none while it holds.
    EXPECT_GE(PaintsAfter([&] { meter.SetPeak(8000); }), 1);
    EXPECT_EQ(PaintsAfter([&] {
                  for (int tick = 0; tick < 70; ++tick) {
                      meter.SetLevel(6000);
                      meter.SetPeak(7500);
                      meter.Advance(20);
                  }
              }),
              0);
    // The clip sign once, then nothing while it stays.
    EXPECT_GE(PaintsAfter([&] { meter.SetClipped(); }), 1);
    EXPECT_EQ(PaintsAfter([&] { meter.SetClipped(); }), 0);
    // A falling bar is painted in steps of 40 ms, not on every 20 ms tick.
    meter.ClearPeak();
    meter.SetLevel(0);
    uitest::ProcessEvents(5);
    const int falling = PaintsAfter([&] {
        for (int tick = 0; tick < 10; ++tick) {
            meter.Advance(20);
            uitest::ProcessEvents();
        }
    });
    EXPECT_GE(falling, 4);
    EXPECT_LE(falling, 5);
}

} // namespace
