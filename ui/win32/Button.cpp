// CButton: an owner-drawn push button in the framework's look, its picture
// and text centred, or with a symbol room the picture at its left end and the
// text beside it; the tool-tip through ToolTip.cpp.
#include "ui/Button.h"

#include "ui/ColorText.h"
#include "ui/win32/Native.h"
#include "ui/win32/ToolTips.h"

using namespace uiimpl;

namespace {

void DrawButton(CButton& button, win::Painter& p, const win::DrawItem& item) {
    const CRect r = [&] {
        CRect c;
        button.GetClientRect(c);
        return c;
    }();
    const int w = r.Width();
    const int h = r.Height();
    const bool enabled = !item.disabled;
    // The face: a light vertical gradient in bands, as the toolkit's look.
    const COLORREF top = !enabled       ? RGB(0xF4, 0xF5, 0xF7)
                         : item.pressed ? RGB(0xD3, 0xDD, 0xEE)
                                        : RGB(0xFF, 0xFF, 0xFF);
    const COLORREF bottom = !enabled       ? RGB(0xE9, 0xEB, 0xEF)
                            : item.pressed ? RGB(0xE4, 0xEA, 0xF4)
                                           : RGB(0xE6, 0xEA, 0xF1);
    p.Fill(0, 0, w, h, kPageColor);
    for (int y = 1; y < h - 1; ++y) {
        const double t = h > 3 ? static_cast<double>(y - 1) / (h - 3) : 0.0;
        auto mix = [t](int a, int b) { return static_cast<int>(a + t * (b - a) + 0.5); };
        p.Fill(1, y, w - 2, 1,
               RGB(mix(GetRValue(top), GetRValue(bottom)), mix(GetGValue(top), GetGValue(bottom)),
                   mix(GetBValue(top), GetBValue(bottom))));
    }
    // The button Enter presses in its window.
    const CWnd* root = WndOf(win::Root(item.hwnd));
    const bool isDefault = root != nullptr && CWndPrivate::Of(*root).defaultId != 0 &&
                           CWndPrivate::Of(*root).defaultId == button.GetDlgCtrlID();
    const COLORREF border = !enabled                      ? RGB(0xCC, 0xD1, 0xDA)
                            : (item.focused || isDefault) ? RGB(0x4A, 0x7C, 0xC9)
                                                          : RGB(0x98, 0xA5, 0xB9);
    p.Line(2, 0, w - 3, 0, border);
    p.Line(2, h - 1, w - 3, h - 1, border);
    p.Line(0, 2, 0, h - 3, border);
    p.Line(w - 1, 2, w - 1, h - 3, border);
    p.Fill(1, 1, 1, 1, border);
    p.Fill(w - 2, 1, 1, 1, border);
    p.Fill(1, h - 2, 1, 1, border);
    p.Fill(w - 2, h - 2, 1, 1, border);
}

// The button's own text: centred, or wrapped within the room right of its
// symbol.
void DrawCaption(CButton& button, win::Painter& p, const win::DrawItem& item) {
    const std::string text = button.GetWindowText();
    if (text.empty())
        return;
    CRect r;
    button.GetClientRect(r);
    const int w = r.Width();
    const int h = r.Height();
    const int shift = item.pressed ? 1 : 0;
    const COLORREF color = !item.disabled ? kTextColor : RGB(0xA0, 0xA6, 0xB2);
    if (button.GetSymbolRoom() > 0) {
        const int room = button.CaptionRoom(w);
        const CRect place = button.CaptionRect(CSize{w, h}, button.GetTextExtent(text, room));
        DrawTextLines(p, button.GetFont(), text, color, place.left + shift, place.top + shift,
                      room);
        return;
    }
    const CSize size = button.GetTextExtent(text);
    DrawTextLines(p, button.GetFont(), text, color, (w - size.cx) / 2 + shift,
                  (h - size.cy) / 2 + shift);
}

} // namespace

bool CButton::Create(CWnd* parent, int id, const std::string& text) {
    if (parent == nullptr || !parent->HasWindow())
        return false;
    win::Handle hwnd =
        win::CreateSystem(win::System::Button, Q(text),
                          win::style::kVisible | win::style::kTabStop | win::style::kBsOwnerDraw, 0,
                          Hwnd(parent), id, 0, 0, 75, 23);
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, parent, id);
    SetWindowText(text);
    CWndPrivate::Of(*this).drawItem = [this](win::Painter& p, const win::DrawItem& item) {
        DrawButton(*this, p, item);
        if (m_imageId != 0)
            if (const Picture* picture = ResourcePicture(m_imageIsIcon, m_imageId)) {
                CRect r;
                GetClientRect(r);
                const int w = m_imageSize.cx > 0 ? m_imageSize.cx : picture->width;
                const int h = m_imageSize.cy > 0 ? m_imageSize.cy : picture->height;
                const int shift = item.pressed ? 1 : 0;
                // A symbol keeps to the left end, its caption beside it.
                const int x = m_symbolRoom > 0 ? 0 : (r.Width() - w) / 2;
                p.Pixels(picture->pixels, picture->width, picture->height, x + shift,
                         (r.Height() - h) / 2 + shift, w, h);
            }
        DrawCaption(*this, p, item);
        // Texts laid over the button draw again on top of it.
        if (CWnd* owner = GetParent())
            for (CWnd* w = owner->GetWindow(GW_CHILD); w != nullptr; w = w->GetWindow(GW_HWNDNEXT))
                if (dynamic_cast<CColorText*>(w) != nullptr && w->IsWindowVisible()) {
                    const CRect a = w->GetRectInParent();
                    const CRect b = GetRectInParent();
                    if (a.left < b.right && b.left < a.right && a.top < b.bottom &&
                        b.top < a.bottom)
                        w->Invalidate();
                }
    };
    if (!m_tooltip.empty())
        ToolTips::Set(*this, m_tooltip, m_tooltipFontId, m_tooltipCodePage);
    return true;
}

void CButton::ShowImage() {
    Invalidate();
}

void CButton::SetTooltipText(const std::string& text, int fontId, int codePage) {
    m_tooltipCodePage = codePage;
    m_tooltip = text;
    m_tooltipFontId = fontId;
    if (HasWindow())
        ToolTips::Set(*this, text, fontId, codePage);
}
