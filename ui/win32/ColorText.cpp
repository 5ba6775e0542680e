#include "ui/ColorText.h"

#include "ui/CheckBox.h"
#include "ui/win32/Native.h"

#include <algorithm>
#include <cstdint>

using namespace uiimpl;

bool CColorText::Create(CWnd* parent, int id, const std::string& text) {
    if (parent == nullptr || !parent->HasWindow())
        return false;
    // Drawn after the windows below it, over them; clicks pass through.
    win::Handle hwnd =
        win::CreateOwn(win::Class::Painted, u"", win::style::kChild | win::style::kVisible,
                       win::style::kExTransparent, Hwnd(parent), id, 0, 0, 1, 1);
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, parent, id);
    CWndPrivate& d = CWndPrivate::Of(*this);
    d.mouseTransparent = true;
    d.paint = [this](win::Painter& painter) {
        const COLORREF color = IsWindowEnabled() ? m_color : kDisabledTextColor;
        DrawTextLines(painter, GetFont(), CWndPrivate::Of(*this).text, color, 0, 0, m_wrapWidth);
    };
    SetWindowText(text);
    const CSize size = GetTextSize();
    CWnd::MoveWindow(0, 0, size.cx, size.cy, false);
    win::BringToTop(hwnd);
    return true;
}

void CColorText::SetLabelFor(CWnd& control) {
    // The name a screen reader gives the control, where it has none of its own.
    if (control.GetAccessibleName().empty())
        control.SetAccessibleName(GetWindowText());
}

void CColorText::SetClickFor(CCheckBox& box) {
    // The text takes the mouse: a button released over it, after a press,
    // is the box's click.
    CWndPrivate& d = CWndPrivate::Of(*this);
    d.mouseTransparent = false;
    d.handler = [this, &box, pressed = false](unsigned message, std::uintptr_t,
                                              std::intptr_t lParam, std::intptr_t& result) mutable {
        if (message == win::msg::kLButtonDown) {
            pressed = true;
        } else if (message == win::msg::kLButtonUp && pressed) {
            pressed = false;
            const int x = static_cast<std::int16_t>(lParam & 0xFFFF);
            const int y = static_cast<std::int16_t>((lParam >> 16) & 0xFFFF);
            const win::Rect r = win::ClientRect(Hwnd(this));
            if (x >= 0 && y >= 0 && x < r.right && y < r.bottom) {
                box.Click();
                box.SetFocus();
            }
        } else {
            return false;
        }
        result = 0;
        return true;
    };
}
