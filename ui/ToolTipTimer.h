// The tool-tips' tracking: while it runs, the tool-tip of the button or
// drop-down list the pointer rests on (CButton::SetTooltipText,
// CComboBox::SetTooltipText) shows in its font after five periods and goes
// sixty periods later; stopped, no tool-tip shows. It follows the pointer's
// enter and leave events: nothing wakes up while the pointer rests.
#pragma once

class CToolTipTimer {
public:
    static void Start(unsigned periodMs = 100);
    static void Stop();
    static bool IsRunning();
    // A tip about to show or to hide: the only time the tracking has a timer.
    static bool IsWaiting();
};
