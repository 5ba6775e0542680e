#include "ui/GroupBox.h"

#include "ui/win32/Native.h"

using namespace uiimpl;

namespace {
// The caption starts this far from the frame's left edge.
constexpr int kCaptionInset = 8;
} // namespace

bool CGroupBox::Create(CWnd* parent, int id, const std::string& caption) {
    if (parent == nullptr || !parent->HasWindow())
        return false;
    win::Handle hwnd =
        win::CreateOwn(win::Class::Painted, u"", win::style::kChild | win::style::kVisible,
                       win::style::kExTransparent, Hwnd(parent), id, 0, 0, 100, 60);
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, parent, id);
    CWndPrivate& d = CWndPrivate::Of(*this);
    d.mouseTransparent = true;
    d.paint = [this](win::Painter& p) {
        const std::string& text = CWndPrivate::Of(*this).text;
        const CSize extent = GetTextExtent(text.empty() ? " " : text);
        CRect r;
        GetClientRect(r);
        const int top = extent.cy / 2;
        const int w = r.Width();
        const int h = r.Height() - top;
        // The top line leaves a gap for the caption: a label laid over the
        // caption (a caption of blanks) may be painted before the frame,
        // which must then draw nothing under it.
        if (text.empty()) {
            p.Line(2, top, w - 3, top, kFrameColor);
        } else {
            p.Line(2, top, kCaptionInset - 3, top, kFrameColor);
            if (kCaptionInset + extent.cx + 2 <= w - 3)
                p.Line(kCaptionInset + extent.cx + 2, top, w - 3, top, kFrameColor);
        }
        p.Line(2, top + h - 1, w - 3, top + h - 1, kFrameColor);
        p.Line(0, top + 2, 0, top + h - 3, kFrameColor);
        p.Line(w - 1, top + 2, w - 1, top + h - 3, kFrameColor);
        p.Fill(1, top + 1, 1, 1, kFrameColor);
        p.Fill(w - 2, top + 1, 1, 1, kFrameColor);
        p.Fill(1, top + h - 2, 1, 1, kFrameColor);
        p.Fill(w - 2, top + h - 2, 1, 1, kFrameColor);
        if (!text.empty())
            DrawTextLines(p, GetFont(), text, kTextColor, kCaptionInset, 0);
    };
    SetWindowText(caption);
    return true;
}
