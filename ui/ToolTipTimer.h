// The tool-tip tracking timer: while it runs, it follows the mouse every
// period milliseconds and shows the tool-tip of the button or drop-down list
// under the pointer (CButton::SetTooltipText, CComboBox::SetTooltipText) in
// that tool-tip's font; stopped, no tool-tip shows.
#pragma once

class CToolTipTimer {
public:
    static void Start(unsigned periodMs = 100);
    static void Stop();
    static bool IsRunning();
};
