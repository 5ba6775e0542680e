// The trace list window, shown when the program runs a Qt application.
#pragma once

namespace tracelib {

// Shows (or refreshes and raises) the list of lines. False when the program
// has no QApplication or the call is not on its thread.
bool ShowTraceWindow();
void DestroyTraceWindow();

} // namespace tracelib
