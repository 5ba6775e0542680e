// The tool-tips of buttons: one tool-tip window per top-level window,
// active only while the tool-tip timer runs (ui/ToolTipTimer.h).
#pragma once

#include <string>

class CWnd;

namespace ToolTips {
void Set(CWnd& tool, const std::string& text, int fontId, int codePage);
void Activate(bool active);
} // namespace ToolTips
