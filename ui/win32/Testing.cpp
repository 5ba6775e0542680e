// Driving windows from tests as the user would, with the messages Windows
// sends: a click is BM_CLICK or the mouse's button messages, a key goes
// through the loop's filter (the sheet's PreTranslateMessage, dialog
// navigation) before the window, with the modifier keys' state set.
#include "ui/Testing.h"

#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/SliderCtrl.h"
#include "ui/win32/KeyState.h"
#include "ui/win32/Native.h"

#include <algorithm>

using namespace uiimpl;

namespace uitest {

void ProcessEvents(int ms) {
    const unsigned long start = win::TickCount();
    do {
        win::PumpMessages(static_cast<unsigned>(std::max(ms, 0)) + 1);
    } while (win::TickCount() - start < static_cast<unsigned long>(std::max(ms, 0)));
}

void RunEventLoop(int ms) {
    const unsigned long start = win::TickCount();
    while (win::TickCount() - start < static_cast<unsigned long>(std::max(ms, 0))) {
        const unsigned long passed = win::TickCount() - start;
        win::WaitAndPump(static_cast<unsigned>(ms - static_cast<int>(passed)));
    }
}

void Click(CWnd& wnd) {
    if (!wnd.HasWindow())
        return;
    // A click on a text that lets clicks through lands on what lies below it
    // (the latest made window there, as later windows lie on top).
    if (CWndPrivate::Of(wnd).mouseTransparent) {
        CWnd* parent = wnd.GetParent();
        if (parent == nullptr)
            return;
        const CRect r = wnd.GetRectInParent();
        const int x = (r.left + r.right) / 2;
        const int y = (r.top + r.bottom) / 2;
        const auto& siblings = CWndPrivate::Of(*parent).children;
        for (auto it = siblings.rbegin(); it != siblings.rend(); ++it) {
            CWnd* below = *it;
            if (below == &wnd || !below->IsWindowVisible() ||
                CWndPrivate::Of(*below).mouseTransparent)
                continue;
            const CRect b = below->GetRectInParent();
            if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) {
                Click(*below);
                return;
            }
        }
        return;
    }
    if (!wnd.IsWindowEnabled())
        return;
    if (dynamic_cast<CButton*>(&wnd) != nullptr || dynamic_cast<CCheckBox*>(&wnd) != nullptr) {
        win::Send(wnd.GetSafeHwnd(), win::msg::kBmClick);
        return;
    }
    CRect r;
    wnd.GetClientRect(r);
    const std::intptr_t at = ((r.Height() / 2) << 16) | (r.Width() / 2);
    win::Send(wnd.GetSafeHwnd(), win::msg::kLButtonDown, 1, at);
    win::Send(wnd.GetSafeHwnd(), win::msg::kLButtonUp, 0, at);
}

namespace {
void Key(win::Handle hwnd, plat::UINT vk, bool ctrl, bool alt, bool shift) {
    if (hwnd == nullptr)
        return;
    const ModifierKeys held(ctrl, alt, shift);
    for (const bool down : {true, false}) {
        const unsigned message = alt ? (down ? win::msg::kSysKeyDown : win::msg::kSysKeyUp)
                                     : (down ? win::msg::kKeyDown : win::msg::kKeyUp);
        const std::intptr_t lParam = down ? 1 : static_cast<std::intptr_t>(0xC0000001u);
        const win::LoopMessage m{hwnd, message, vk, lParam};
        if (FilterMessage(m))
            continue;
        win::Send(hwnd, message, vk, lParam);
        // Characters, as TranslateMessage would make them.
        if (down && !ctrl && !alt &&
            (vk == VK_SPACE || vk == VK_RETURN || (vk >= '0' && vk <= 'Z')))
            win::Send(hwnd, win::msg::kChar, shift || vk < 'A' ? vk : vk + 32, lParam);
    }
    ProcessEvents(0);
}
} // namespace

void PressKey(CWnd& wnd, plat::UINT vk, bool ctrl, bool alt, bool shift) {
    Key(wnd.GetSafeHwnd(), vk, ctrl, alt, shift);
}

void PressFocusedKey(plat::UINT vk, bool ctrl, bool alt, bool shift) {
    // With no focus (its control was disabled) the system hands the keys to
    // the active window, where Tab still moves on.
    const win::Handle focused = win::Focused();
    Key(focused != nullptr ? focused : win::ActiveWindow(), vk, ctrl, alt, shift);
}

CWnd* FocusedWindow() {
    // The edit field of a combo box belongs to the box.
    for (win::Handle h = win::Focused(); h != nullptr; h = win::Parent(h))
        if (CWnd* wnd = WndOf(h))
            return wnd;
    return nullptr;
}

void CloseWindow(CWnd& wnd) {
    if (wnd.HasWindow())
        win::Send(win::Root(wnd.GetSafeHwnd()), win::msg::kClose);
}

namespace {
void Scroll(CSliderCtrl& slider, plat::UINT code, int pos) {
    CWnd* parent = slider.GetParent();
    if (parent == nullptr || !parent->HasWindow())
        return;
    win::Send(parent->GetSafeHwnd(), win::msg::kHScroll,
              (static_cast<std::uintptr_t>(pos & 0xFFFF) << 16) | code,
              reinterpret_cast<std::intptr_t>(slider.GetSafeHwnd()));
}
} // namespace

void DragSlider(CSliderCtrl& slider, int pos) {
    if (!slider.HasWindow() || !slider.IsWindowEnabled())
        return;
    slider.SetPos(pos);
    const int shown = slider.GetPos();
    Scroll(slider, TB_THUMBTRACK, shown);
    Scroll(slider, TB_THUMBPOSITION, shown);
    Scroll(slider, TB_ENDTRACK, shown);
}

void PageSlider(CSliderCtrl& slider, bool up) {
    if (!slider.HasWindow() || !slider.IsWindowEnabled())
        return;
    const int page = slider.GetPageSize();
    slider.SetPos(slider.GetPos() + (up ? -page : page));
    Scroll(slider, up ? TB_PAGEUP : TB_PAGEDOWN, slider.GetPos());
    Scroll(slider, TB_ENDTRACK, slider.GetPos());
}

std::string ShownText(const CWnd& wnd) {
    if (!wnd.HasWindow())
        return {};
    const CWndPrivate& d = CWndPrivate::Of(wnd);
    // Windows of the system show their own text; ours draw the one given.
    if ((win::Style(d.hwnd) & win::style::kChild) == 0 || !d.paint)
        return S(win::GetText(d.hwnd));
    return S(Q(d.text));
}

COLORREF PixelAt(const CWnd& wnd, int x, int y) {
    std::vector<std::uint32_t> pixels;
    int width = 0;
    int height = 0;
    if (!win::Capture(wnd.GetSafeHwnd(), pixels, width, height) || x < 0 || y < 0 || x >= width ||
        y >= height)
        return 0xFFFFFFFF;
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
}

WindowPixels CapturePixels(const CWnd& wnd) {
    WindowPixels shot;
    std::vector<std::uint32_t> pixels;
    if (!win::Capture(wnd.GetSafeHwnd(), pixels, shot.width, shot.height)) {
        shot.width = 0;
        shot.height = 0;
        return shot;
    }
    shot.pixels.assign(pixels.begin(), pixels.end());
    return shot;
}

struct PaintCounter::Filter {
    const CWnd* wnd = nullptr;
    std::function<bool(unsigned, std::uintptr_t, std::intptr_t, std::intptr_t&)> before;
    int count = 0;
};

PaintCounter::PaintCounter(const CWnd& wnd) : m_filter(std::make_unique<Filter>()) {
    if (!wnd.HasWindow())
        return;
    CWndPrivate& d = CWndPrivate::Of(wnd);
    m_filter->wnd = &wnd;
    m_filter->before = d.handler;
    Filter* filter = m_filter.get();
    d.handler = [filter](unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                         std::intptr_t& result) {
        if (message == win::msg::kPaint)
            ++filter->count;
        return filter->before && filter->before(message, wParam, lParam, result);
    };
}

PaintCounter::~PaintCounter() {
    if (m_filter->wnd != nullptr)
        CWndPrivate::Of(*m_filter->wnd).handler = m_filter->before;
}

int PaintCounter::Count() const {
    return m_filter->count;
}

} // namespace uitest
