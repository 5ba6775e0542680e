#include "ui/win32/ToolTips.h"

#include "ui/ToolTipTimer.h"
#include "ui/win32/Native.h"

#include <map>

using namespace uiimpl;

namespace {
struct Tips {
    std::map<win::Handle, win::Handle> byRoot; // top-level window: its tool-tip
    bool active = false;
    unsigned period = 0;
};
Tips& TheTips() {
    static Tips tips;
    return tips;
}
} // namespace

void ToolTips::Set(CWnd& tool, const std::string& text, int fontId, int codePage) {
    win::Handle hwnd = Hwnd(&tool);
    if (hwnd == nullptr)
        return;
    Tips& t = TheTips();
    win::Handle root = win::Root(hwnd);
    win::Handle& tip = t.byRoot[root];
    if (tip == nullptr || !win::IsWindow(tip)) {
        tip = win::CreateToolTip(root);
        win::SetToolTipActive(tip, t.active);
    }
    win::SetFont(tip, FontHandle(CFontRegistry::Get(fontId, codePage)), false);
    win::SetToolTipText(tip, hwnd, Q(text));
}

void ToolTips::Activate(bool active) {
    Tips& t = TheTips();
    t.active = active;
    for (auto& [root, tip] : t.byRoot)
        if (win::IsWindow(tip))
            win::SetToolTipActive(tip, active);
}

void CToolTipTimer::Start(unsigned periodMs) {
    TheTips().period = periodMs == 0 ? 100 : periodMs;
    ToolTips::Activate(true);
}

void CToolTipTimer::Stop() {
    TheTips().period = 0;
    ToolTips::Activate(false);
}

bool CToolTipTimer::IsRunning() {
    return TheTips().period != 0;
}

bool CToolTipTimer::IsWaiting() {
    return false; // the system's tool-tip control keeps its own time
}

namespace uiimpl {
void ReleaseToolTips() {
    Tips& t = TheTips();
    for (auto& [root, tip] : t.byRoot)
        win::Destroy(tip);
    t.byRoot.clear();
}
} // namespace uiimpl
