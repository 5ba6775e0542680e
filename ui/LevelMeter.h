// CLevelMeter: a horizontal level bar. It draws a gradient between two
// colours from its left edge up to position / maximum of its width, and stays
// blank unless minimum < position < maximum. Optionally it writes the
// percentage ("%.0f%%") in a third colour.
#pragma once

#include "ui/Wnd.h"

class CLevelMeter : public CWnd {
public:
    bool Create(CWnd* parent, int id);
    void SetRange(int minimum, int maximum);
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }
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

    // What the bar shows now: blank, or filled to FilledWidth() pixels.
    bool IsBlank() const { return !(m_min < m_pos && m_pos < m_max); }
    int FilledWidth() const;
    // The percentage text ("57%"); empty when blank or switched off.
    std::string PercentText() const;

private:
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    int m_step = 10;
    COLORREF m_left = RGB(0, 160, 0);
    COLORREF m_right = RGB(220, 0, 0);
    COLORREF m_text = 0;
    bool m_percent = false;
};
