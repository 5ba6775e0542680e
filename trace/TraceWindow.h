// The trace list window: Qt's when the program runs a Qt application
// (TraceWindow.cpp), a Win32 window with a list box of the lines on Windows
// (win32/TraceWindow.cpp).
#pragma once

namespace tracelib {

// Shows (or refreshes and raises) the list of lines. False when no window
// can be shown: with Qt, when the program has no QApplication or the call is
// not on its thread; on Windows, when the window cannot be made.
bool ShowTraceWindow();
void DestroyTraceWindow();

} // namespace tracelib
