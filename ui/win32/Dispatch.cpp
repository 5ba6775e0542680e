// The messages of our own windows, turned into the framework's calls:
// commands and track-bar moves to the parent's overridables, paints to the
// painting controls, the close box and Escape to the window's cancel, Enter
// to its default button; and the key messages of the loop, shown to the
// open sheets' PreTranslateMessage first.
#include "ui/Button.h"
#include "ui/PropertyPage.h"
#include "ui/PropertySheet.h"
#include "ui/ReadingOrder.h"
#include "ui/SliderCtrl.h"
#include "ui/win32/Native.h"

#include <algorithm>
#include <vector>

using namespace uiimpl;

namespace {

std::vector<CPropertySheet*>& OpenSheets() {
    static std::vector<CPropertySheet*> sheets;
    return sheets;
}

constexpr std::intptr_t kHasDefId = 0x534B; // DC_HASDEFID
constexpr unsigned kVkTab = 0x09;
constexpr unsigned kVkReturn = 0x0D;

// The controls of a window that Tab stops at: shown, enabled, tab stops, not
// inside another top-level window (a dialog over the page).
void CollectTabStops(CWnd& parent, std::vector<CWnd*>& stops) {
    for (CWnd* child = parent.GetWindow(GW_CHILD); child != nullptr;
         child = child->GetWindow(GW_HWNDNEXT)) {
        const win::Handle h = child->GetSafeHwnd();
        if (h == nullptr || (win::Style(h) & win::style::kChild) == 0 || !win::IsVisible(h) ||
            !win::IsEnabled(h))
            continue;
        if ((win::Style(h) & win::style::kTabStop) != 0)
            stops.push_back(child);
        CollectTabStops(*child, stops);
    }
}

CWnd* FocusedCWnd() {
    for (win::Handle h = win::Focused(); h != nullptr; h = win::Parent(h))
        if (CWnd* wnd = WndOf(h))
            return wnd;
    return nullptr;
}

// Tab and Shift+Tab in reading order (ui/ReadingOrder.h), through the page
// and then the sheet's buttons, as the toolkit's realisation moves; the
// system's dialog manager would follow the order the controls were made in.
bool MoveFocusByTab(CWnd& top, bool back) {
    std::vector<CWnd*> stops;
    // A sheet keeps its pages apart from its own controls.
    if (auto* sheet = dynamic_cast<CPropertySheet*>(&top))
        if (CPropertyPage* page = sheet->GetActivePage())
            CollectTabStops(*page, stops);
    CollectTabStops(top, stops);
    if (stops.empty())
        return false;
    std::vector<CRect> rects;
    for (CWnd* w : stops) {
        int x = 0;
        int y = 0;
        win::ClientOrigin(w->GetSafeHwnd(), x, y);
        CRect r;
        w->GetClientRect(r);
        rects.push_back({x, y, x + r.Width(), y + r.Height()});
    }
    const std::vector<std::size_t> order = ReadingOrder(rects);
    const CWnd* focused = FocusedCWnd();
    std::size_t at = order.size();
    for (std::size_t i = 0; i < order.size(); ++i)
        if (stops[order[i]] == focused)
            at = i;
    std::size_t next = 0;
    if (at == order.size())
        next = back ? order.size() - 1 : 0;
    else
        next = back ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
    stops[order[next]]->SetFocus();
    return true;
}

} // namespace

namespace uiimpl {

void CPropertySheetHook::Open(CPropertySheet* sheet) {
    auto& sheets = OpenSheets();
    if (std::find(sheets.begin(), sheets.end(), sheet) == sheets.end())
        sheets.push_back(sheet);
}

void CPropertySheetHook::Close(CPropertySheet* sheet) {
    auto& sheets = OpenSheets();
    sheets.erase(std::remove(sheets.begin(), sheets.end(), sheet), sheets.end());
}

std::intptr_t Dispatch(win::Handle hwnd, unsigned message, std::uintptr_t wParam,
                       std::intptr_t lParam, bool& handled) {
    CWnd* wnd = WndOf(hwnd);
    if (wnd == nullptr)
        return 0;
    CWndPrivate& d = CWndPrivate::Of(*wnd);
    std::intptr_t result = 0;
    if (d.handler && d.handler(message, wParam, lParam, result)) {
        handled = true;
        return result;
    }
    switch (message) {
    case win::msg::kPaint:
        if (d.paint) {
            win::Painter painter(hwnd);
            d.paint(painter);
            handled = true;
        } else if (d.hasBackground) {
            win::Painter painter(hwnd);
            handled = true;
        }
        return 0;
    case win::msg::kPrintClient:
        if (d.paint) {
            win::Painter painter(hwnd, reinterpret_cast<win::Handle>(wParam));
            d.paint(painter);
            handled = true;
        }
        return 0;
    case win::msg::kEraseBackground:
        if (d.hasBackground) {
            win::Painter painter(hwnd, reinterpret_cast<win::Handle>(wParam));
            const win::Rect r = win::ClientRect(hwnd);
            painter.Fill(0, 0, r.right, r.bottom, d.background);
            DrawFocusRing(*wnd, painter);
            handled = true;
            return 1;
        }
        if (d.paint) {
            handled = true; // the paint draws every pixel it wants
            return 1;
        }
        return 0;
    case win::msg::kNcHitTest:
        if (d.mouseTransparent) {
            handled = true;
            return win::kHitTransparent;
        }
        return 0;
    case win::msg::kCommand: {
        const int id = static_cast<int>(wParam & 0xFFFF);
        const int code = static_cast<int>((wParam >> 16) & 0xFFFF);
        handled = true;
        wnd->OnCommand(id, code);
        return 0;
    }
    case win::msg::kHScroll: {
        auto* slider = dynamic_cast<CSliderCtrl*>(WndOf(reinterpret_cast<win::Handle>(lParam)));
        if (slider == nullptr)
            return 0;
        const auto code = static_cast<plat::UINT>(wParam & 0xFFFF);
        const auto pos = static_cast<plat::UINT>((wParam >> 16) & 0xFFFF);
        handled = true;
        wnd->OnHScroll(code,
                       code == TB_THUMBTRACK || code == TB_THUMBPOSITION
                           ? pos
                           : static_cast<plat::UINT>(slider->GetPos()),
                       slider);
        return 0;
    }
    case win::msg::kDrawItem: {
        win::DrawItem item;
        if (!win::ReadDrawItem(lParam, item))
            return 0;
        CWnd* control = WndOf(item.hwnd);
        if (control == nullptr || !CWndPrivate::Of(*control).drawItem)
            return 0;
        win::Painter painter(item.hwnd, item.dc);
        CWndPrivate::Of(*control).drawItem(painter, item);
        handled = true;
        return 1;
    }
    case win::msg::kCtlColorStatic:
    case win::msg::kCtlColorButton: {
        // Check boxes and frames on a page show the page's colour around
        // their text.
        if (!d.hasBackground)
            return 0;
        CWnd* control = WndOf(reinterpret_cast<win::Handle>(lParam));
        const bool enabled = control == nullptr || control->IsWindowEnabled();
        win::PrepareControlDc(reinterpret_cast<win::Handle>(wParam),
                              enabled ? kTextColor : kDisabledTextColor);
        handled = true;
        return reinterpret_cast<std::intptr_t>(win::ColorBrush(d.background));
    }
    case win::msg::kGetDefId:
        if (d.defaultId != 0) {
            handled = true;
            return (kHasDefId << 16) | (d.defaultId & 0xFFFF);
        }
        return 0;
    case win::msg::kClose:
        handled = true;
        if (d.close)
            d.close();
        return 0;
    default:
        return 0;
    }
}

bool FilterMessage(const win::LoopMessage& m) {
    // A click or a key of the last message may have moved the focus.
    FollowFocus();
    const bool key = m.message == win::msg::kKeyDown || m.message == win::msg::kKeyUp ||
                     m.message == win::msg::kSysKeyDown || m.message == win::msg::kSysKeyUp;
    if (!key || m.hwnd == nullptr)
        return false;
    win::Handle root = win::Root(m.hwnd);
    CWnd* top = WndOf(root);
    if (top == nullptr)
        return false;
    // The keys of our windows go to the open sheets first.
    const std::vector<CPropertySheet*> sheets = OpenSheets();
    for (CPropertySheet* sheet : sheets) {
        MSG msg;
        msg.hwnd = WndOf(m.hwnd);
        win::KeyModifiers(msg.ctrl, msg.alt, msg.shift);
        msg.message = static_cast<plat::UINT>(m.message);
        msg.wParam = m.wParam;
        msg.lParam = m.lParam;
        if (sheet->PreTranslateMessage(msg))
            return true;
    }
    if (m.message == win::msg::kKeyDown && m.wParam == kVkTab) {
        bool ctrl = false;
        bool alt = false;
        bool shift = false;
        win::KeyModifiers(ctrl, alt, shift);
        if (!ctrl && !alt && MoveFocusByTab(*top, shift)) {
            FollowFocus();
            return true;
        }
    }
    // Enter presses the push button that has the focus, as the system's
    // dialog manager does for its own buttons; elsewhere it is the default
    // button's.
    if (m.message == win::msg::kKeyDown && m.wParam == kVkReturn) {
        if (auto* button = dynamic_cast<CButton*>(FocusedCWnd());
            button != nullptr && button->IsWindowEnabled()) {
            win::Send(button->GetSafeHwnd(), win::msg::kBmClick);
            return true;
        }
    }
    const bool navigated = win::DialogNavigation(root, m);
    FollowFocus();
    return navigated;
}

void RunModalLoop(const bool& running) {
    while (running)
        if (!win::WaitAndPump(50))
            break;
}

} // namespace uiimpl
