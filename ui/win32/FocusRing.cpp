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
    win::Handle parent = nullptr;
    CRect place; // in the parent, where the ring was last drawn
    // The control may be gone: it is looked at only while its window is
    // still its own.
    bool Alive() const { return control != nullptr && WndOf(hwnd) == control; }
};
Ring& TheRing() {
    static Ring ring;
    return ring;
}

win::Rect Around(const CRect& r) {
    return win::Rect{r.left - kRingWidth, r.top - kRingWidth, r.right + kRingWidth,
                     r.bottom + kRingWidth};
}

void Repaint(win::Handle parent, const CRect& place) {
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
    const bool same =
        focused != nullptr && focused == ring.control && ring.Alive() && place == ring.place;
    if (same)
        return;
    if (ring.control != nullptr)
        Repaint(ring.parent, ring.place);
    ring.control = focused;
    ring.hwnd = Hwnd(focused);
    ring.parent = focused != nullptr ? Hwnd(focused->GetParent()) : nullptr;
    ring.place = place;
    Repaint(ring.parent, place);
}

void DrawFocusRing(CWnd& parent, win::Painter& painter) {
    const Ring& ring = TheRing();
    if (!ring.Alive() || ring.parent != Hwnd(&parent) || !ring.control->IsWindowVisible())
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
