// What a list control keeps whatever draws it: its colours (the toolkit
// applies them, ApplyColors) and the width a text takes in its font.
#include "ui/ListCtrl.h"

void CListCtrl::SetTextColor(COLORREF color) {
    m_textColor = color;
    ApplyColors();
}

void CListCtrl::SetBkColor(COLORREF color) {
    m_bkColor = color;
    ApplyColors();
}

void CListCtrl::SetTextBkColor(COLORREF color) {
    m_textBkColor = color;
    ApplyColors();
}

int CListCtrl::GetStringWidth(const std::string& text) const {
    return GetTextExtent(text).cx;
}
