// CLevelMeter: a horizontal level bar. Its gradient spans the whole bar, from
// the left colour at its left end to the right colour at its right end, and
// the bar shows it from the left edge up to position / maximum of its width,
// so the colour at the tip tells how loud the level is. It stays blank unless
// minimum < position < maximum. Optionally it writes the percentage
// ("%.0f%%") in a third colour.
//
// Beside the plain position, a running level can be fed (SetLevel): the bar
// rises to a louder level at once and falls back no faster than the fall
// rate as time passes (Advance, with the time passed in, so no clock is read
// here). It may also show
//  - the target zone, two marks on the scale; the gradient then runs through
//    yellow inside the zone, so a tip below it is green, inside it yellow to
//    orange, and above it red;
//  - a peak-hold tick at the loudest recent peak, which stays kPeakHoldMs and
//    then falls like the bar;
//  - a clip sign at the right end, kept until ClearClip.
// The meter repaints only when what it shows changes: the filled width, the
// tick's pixel, the clip sign, the text, a colour, the range or the zone.
#pragma once

#include "ui/Wnd.h"

#include <string>

class CLevelMeter : public CWnd {
public:
    // How long the peak tick stays before it falls.
    static constexpr unsigned kPeakHoldMs = 1500;
    // How fast the bar and the falling tick fall by default, in position units
    // per second.
    static constexpr int kDefaultFallPerSecond = 2000;
    // The bar and the tick fall in steps of this much time (25 a second), so
    // a falling bar costs half the paints of one step per 20 ms tick.
    static constexpr unsigned kFallStepMs = 40;
    // Width of the clip sign at the right end, in pixels.
    static constexpr int kClipSignWidth = 8;
    // Width of the peak tick, in pixels.
    static constexpr int kTickWidth = 2;

    bool Create(CWnd* parent, int id);
    void SetRange(int minimum, int maximum);
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }
    // The bar shows pos at once (no fall).
    void SetPos(int pos);
    int GetPos() const { return m_pos; }
    void SetStep(int step) { m_step = step; }
    int GetStep() const { return m_step; }
    // Advances the position by the step, wrapping to the minimum past the end.
    void StepIt();
    void SetGradientColors(COLORREF left, COLORREF right);
    COLORREF GetLeftColor() const { return m_left; }
    COLORREF GetRightColor() const { return m_right; }
    void SetTextColor(COLORREF color);
    COLORREF GetTextColor() const { return m_text; }
    void ShowPercent(bool show);
    bool IsPercentShown() const { return m_percent; }

    // ---- a running level -----------------------------------------------------
    // The position becomes level (GetPos()); the bar shows it at once when it
    // is louder than what the bar shows, else falls to it as time passes.
    void SetLevel(int level);
    // The loudest moment of the last stretch, on the position's scale: a peak
    // at or above the tick moves the tick there and holds it kPeakHoldMs
    // again. A peak at or below the minimum adds nothing.
    void SetPeak(int peak);
    // No peak tick until the next SetPeak.
    void ClearPeak();
    // Time passed: the bar falls towards the position, the held tick counts
    // down its hold and then falls, at the fall rate.
    void Advance(unsigned ms);
    void SetFallRate(int perSecond) { m_fallPerSecond = perSecond < 0 ? 0 : perSecond; }
    int GetFallRate() const { return m_fallPerSecond; }
    // The clip sign shows from now on, until ClearClip.
    void SetClipped();
    void ClearClip();
    bool IsClipShown() const { return m_clipped; }
    // The target zone's ends on the position's scale; low >= high shows none.
    void SetTargetZone(int low, int high);
    int GetZoneLow() const { return m_zoneLow; }
    int GetZoneHigh() const { return m_zoneHigh; }
    bool HasTargetZone() const;

    // What the bar shows now: blank, or filled to FilledWidth() pixels, for
    // the level ShownPos() (the position, or above it while the bar falls).
    int ShownPos() const { return m_shown; }
    bool IsBlank() const { return !(m_min < m_shown && m_shown < m_max); }
    int FilledWidth() const;
    // Whether a peak tick shows, the held peak, and the tick's pixel from the
    // bar's inner left edge (-1 when there is none).
    bool HasPeak() const { return m_hasPeak; }
    int PeakPos() const { return m_peak; }
    int PeakTickX() const;
    // The percentage text ("57%"); empty when blank or switched off.
    std::string PercentText() const;
    // The gradient's colour at a position of the scale: what the bar's tip
    // shows when the bar ends there.
    COLORREF GradientColorAt(int pos) const;

    // What a paint draws; the meter asks for a paint only when it changes.
    struct Picture {
        int filled = 0;
        int tick = -1;
        bool clip = false;
        std::string text;
        bool operator==(const Picture&) const = default;
    };
    Picture CurrentPicture() const;

private:
    // Asks for a paint when the picture differs from the one last asked for.
    void Refresh();
    // Asks for a paint whatever the picture (colours, range, zone changed).
    void Repaint();
    int InnerWidth() const;

    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    int m_shown = 0;
    int m_step = 10;
    COLORREF m_left = RGB(0, 160, 0);
    COLORREF m_right = RGB(220, 0, 0);
    COLORREF m_text = 0;
    bool m_percent = false;

    bool m_hasPeak = false;
    int m_peak = 0;
    unsigned m_holdLeftMs = 0;
    unsigned m_barFallMs = 0;  // time the bar has to fall by, not yet shown
    unsigned m_tickFallMs = 0; // likewise for the tick past its hold
    int m_fallPerSecond = kDefaultFallPerSecond;
    bool m_clipped = false;
    int m_zoneLow = 0;
    int m_zoneHigh = 0;

    Picture m_asked;
};
