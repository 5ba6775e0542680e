// What a coloured text keeps whatever draws it: its font from the registry,
// its colour, its wrap width, whether its changes are told to a screen
// reader, and its size: never smaller than the text as drawn, wrapped.
#include "ui/ColorText.h"
#include "ui/Toolkit.h"

#include <algorithm>

using namespace uiimpl;

void CColorText::SetFontId(int fontId, int codePage) {
    m_fontId = fontId;
    SetFont(CFontRegistry::Get(fontId, codePage));
}

void CColorText::SetColor(COLORREF color) {
    m_color = color;
    Invalidate();
}

void CColorText::MoveWindow(int x, int y, int width, int height, bool repaint) {
    const CSize text = GetTextSize();
    CWnd::MoveWindow(x, y, std::max(width, text.cx), std::max(height, text.cy), repaint);
}

void CColorText::SetWrapWidth(int width) {
    m_wrapWidth = std::max(0, width);
    Invalidate();
}

void CColorText::SetLiveRegion(bool live) {
    StateOf(*this).liveRegion = live;
}

bool CColorText::IsLiveRegion() const {
    return StateOf(*this).liveRegion;
}

CSize CColorText::GetTextSize() const {
    return GetTextExtent(GetWindowText(), m_wrapWidth);
}

void CColorText::GetTextSize(int& width, int& height) const {
    const CSize size = GetTextSize();
    width = size.cx;
    height = size.cy;
}
