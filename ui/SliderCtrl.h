// CSliderCtrl: a horizontal track bar. The user's moves reach the parent's
// OnHScroll with the track-bar codes: TB_THUMBTRACK (5) with the position
// while the thumb is dragged, then TB_THUMBPOSITION (4) and TB_ENDTRACK (8)
// when it is let go; TB_PAGEUP (2) / TB_PAGEDOWN (3) for a click on the
// channel and TB_LINEUP (0) / TB_LINEDOWN (1) / TB_TOP (6) / TB_BOTTOM (7)
// for keys, each followed by TB_ENDTRACK when the mouse button or key is
// released. GetPos already answers the new position when a code arrives.
#pragma once

#include "ui/Wnd.h"

class CSliderCtrl : public CWnd {
public:
    bool Create(CWnd* parent, int id);
    void SetRangeMin(int minimum, bool redraw = false);
    void SetRangeMax(int maximum, bool redraw = false);
    void SetRange(int minimum, int maximum, bool redraw = false);
    int GetRangeMin() const;
    int GetRangeMax() const;
    void SetPageSize(int size);
    int GetPageSize() const;
    void SetLineSize(int size);
    int GetLineSize() const;
    // Clamped to the range; sends no notification.
    void SetPos(int pos);
    int GetPos() const;
};
