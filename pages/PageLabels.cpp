#include "pages/PageLabels.h"

#include <algorithm>

CSize SetLabel(CColorText& label, const std::string& text, int font, COLORREF color) {
    label.SetText(text);
    label.SetFontId(font);
    label.SetColor(color);
    return label.GetTextSize();
}

std::string CaptionGap(const CWnd& frame, int width) {
    const int space = frame.GetTextExtent(" ").cx;
    // A one-pixel space would divide by zero; such a font gets one space per
    // pixel.
    const int count = width / std::max(1, space - 1) + 1;
    return std::string(static_cast<std::size_t>(count), ' ');
}
