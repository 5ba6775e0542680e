#include "ui/PropertyPage.h"

CPropertyPage::CPropertyPage(int templateId, int width, int height)
    : CDialog(templateId, nullptr), m_pageWidth(width), m_pageHeight(height) {}
