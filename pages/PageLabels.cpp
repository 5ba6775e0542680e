#include "pages/PageLabels.h"

#include "ui/Font.h"

#include <algorithm>

CSize SetLabel(CColorText& label, const std::string& text, int font, COLORREF color, int room) {
    label.SetText(text);
    label.SetFontId(font);
    label.SetColor(color);
    label.SetWrapWidth(room);
    return label.GetTextSize();
}

CSize SetEvenLabel(CColorText& label, const std::string& text, int font, COLORREF color, int room) {
    const CSize wrapped = SetLabel(label, text, font, color, room);
    if (wrapped.cy <= label.GetTextExtent(" ").cy)
        return wrapped;
    // Narrower by steps of 8 pixels while the line count holds.
    int best = room;
    for (int width = room - 8; width > room / 2; width -= 8) {
        if (label.GetTextExtent(text, width).cy != wrapped.cy)
            break;
        best = width;
    }
    label.SetWrapWidth(best);
    return label.GetTextSize();
}

std::string OneSentence(int font, const std::string& first, const std::string& second, int room) {
    const CFont* f = CFontRegistry::Get(font);
    if (f == nullptr || f->GetTextExtent(first).cx <= room)
        return first + "\n" + second;
    // One blank where the line feed was: the second line's indent goes.
    const std::size_t end = first.find_last_not_of(' ');
    const std::size_t start = second.find_first_not_of(' ');
    return first.substr(0, end == std::string::npos ? 0 : end + 1) + " " +
           (start == std::string::npos ? std::string() : second.substr(start));
}

int ExtraHeight(const CColorText& label) {
    const CFont* font = label.GetFont();
    const int line = font != nullptr ? font->GetLineHeight() : label.GetTextExtent(" ").cy;
    return std::max(0, label.GetTextSize().cy - line);
}

std::string CaptionGap(const CWnd& frame, int width) {
    const int space = frame.GetTextExtent(" ").cx;
    // A one-pixel space would divide by zero; such a font gets one space per
    // pixel.
    const int count = width / std::max(1, space - 1) + 1;
    return std::string(static_cast<std::size_t>(count), ' ');
}
