#include "ui/PropertyPage.h"

#include <algorithm>

CPropertyPage::CPropertyPage(int templateId, int width, int height)
    : CDialog(templateId, nullptr), m_pageWidth(width), m_pageHeight(height) {}

void CPropertyPage::FitHeightToControls() {
    for (CWnd* control = GetWindow(GW_CHILD); control != nullptr;
         control = control->GetWindow(GW_HWNDNEXT))
        m_pageHeight = std::max(m_pageHeight, control->GetRectInParent().bottom + kBottomMargin);
}
