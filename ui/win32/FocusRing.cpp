// The ring that shows which control has the keyboard focus: two pixels wide,
// just outside the control, in one colour for every kind of control; drawn
// by the control's parent on its background, so it needs no window of its
// own and follows the control where it moves.
#include "ui/win32/Native.h"

using namespace uiimpl;

namespace {

constexpr COLORREF kRingColor = RGB(0x1A, 0x56, 0xC8);
constexpr int kRingWidth = 2;

struct Ring {
    CWnd* control = nullptr;
    win::Handle hwnd = nullptr;
    CRect place; // in the parent, where the ring was last drawn
};
Ring& TheRing() {
    static Ring ring;
    return ring;
}

win::Rect Around(const CRect& r) {
    return win::Rect{r.left - kRingWidth, r.top - kRingWidth, r.right + kRingWidth,
                     r.bottom + kRingWidth};
}

void Repaint(CWnd* control, const CRect& place) {
    if (control == nullptr || !control->HasWindow() || control->GetParent() == nullptr)
        return;
    win::Handle parent = Hwnd(control->GetParent());
    if (parent != nullptr && win::IsWindow(parent))
        win::InvalidateArea(parent, Around(place), true);
}

// The framework control the focus is in (a combo box owns its edit field).
CWnd* FocusedControl() {
    for (win::Handle h = win::Focused(); h != nullptr; h = win::Parent(h))
        if (CWnd* wnd = WndOf(h))
            return (win::Style(h) & win::style::kChild) != 0 && wnd->GetParent() != nullptr
                       ? wnd
                       : nullptr;
    return nullptr;
}

} // namespace

namespace uiimpl {

void FollowFocus() {
    Ring& ring = TheRing();
    CWnd* focused = FocusedControl();
    // Pages and dialogs are no controls to ring.
    if (focused != nullptr && CWndPrivate::Of(*focused).hasBackground)
        focused = nullptr;
    const CRect place = focused != nullptr ? focused->GetRectInParent() : CRect{};
    const bool same = focused == ring.control && ring.control != nullptr &&
                      Hwnd(focused) == ring.hwnd && place == ring.place;
    if (same)
        return;
    if (ring.control != nullptr && ring.hwnd != nullptr && win::IsWindow(ring.hwnd))
        Repaint(ring.control, ring.place);
    ring.control = focused;
    ring.hwnd = Hwnd(focused);
    ring.place = place;
    Repaint(focused, place);
}

void DrawFocusRing(CWnd& parent, win::Painter& painter) {
    const Ring& ring = TheRing();
    if (ring.control == nullptr || ring.control->GetParent() != &parent ||
        Hwnd(ring.control) != ring.hwnd || !ring.control->IsWindowVisible())
        return;
    const CRect& r = ring.place;
    const int w = r.Width() + 2 * kRingWidth;
    const int h = r.Height() + 2 * kRingWidth;
    const int x = r.left - kRingWidth;
    const int y = r.top - kRingWidth;
    painter.Fill(x, y, w, kRingWidth, kRingColor);
    painter.Fill(x, y + h - kRingWidth, w, kRingWidth, kRingColor);
    painter.Fill(x, y, kRingWidth, h, kRingColor);
    painter.Fill(x + w - kRingWidth, y, kRingWidth, h, kRingColor);
}

} // namespace uiimpl
