// The sheet's way through its pages, whatever draws it: pages found by index
// and template id, the buttons' answers (Back, Next, Finish, Cancel with its
// reset notification), the title of the active page.
#include "ui/PropertyPage.h"
#include "ui/PropertySheet.h"

#include <algorithm>

void CPropertySheet::AddPage(CPropertyPage* page) {
    if (page == nullptr)
        return;
    page->m_sheet = this;
    m_pages.push_back(page);
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
    if (index < 0 || index >= GetPageCount())
        return nullptr;
    return m_pages[static_cast<std::size_t>(index)];
}

CPropertyPage* CPropertySheet::GetActivePage() const {
    return GetPage(m_active);
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
    const auto it = std::find(m_pages.begin(), m_pages.end(), page);
    return it == m_pages.end() ? -1 : static_cast<int>(it - m_pages.begin());
}

int CPropertySheet::IndexOfTemplate(int templateId) const {
    for (int i = 0; i < GetPageCount(); ++i)
        if (m_pages[static_cast<std::size_t>(i)]->GetTemplateId() == templateId)
            return i;
    return -1;
}

bool CPropertySheet::OnInitDialog() {
    if (m_active < 0 && !m_pages.empty())
        ShowPage(std::clamp(m_startPage, 0, GetPageCount() - 1), +1);
    return true;
}

void CPropertySheet::FitPageArea(CPropertyPage* page) {
    if (page == nullptr || !page->HasWindow())
        return;
    page->FitHeightToControls();
    GrowPageArea(page->GetPageHeight());
}

bool CPropertySheet::SetActivePage(int index) {
    if (index < 0 || index >= GetPageCount())
        return false;
    if (CPropertyPage* current = GetActivePage(); current != nullptr && !current->OnKillActive())
        return false;
    return ShowPage(index, 0);
}

void CPropertySheet::UpdateTitle() {
    if (m_active >= 0)
        SetWindowText(GetTabItemText(m_active));
}

void CPropertySheet::PressButton(int id) {
    CWnd* button = GetDlgItem(id);
    if (button != nullptr && button->IsWindowEnabled())
        OnButton(id);
}

bool CPropertySheet::OnCommand(int id, int code) {
    if (code == BN_CLICKED && (id == ID_WIZBACK || id == ID_WIZNEXT || id == ID_WIZFINISH ||
                               id == IDCANCEL || id == IDHELP)) {
        OnButton(id);
        return true;
    }
    return CWnd::OnCommand(id, code);
}

void CPropertySheet::OnButton(int id) {
    CPropertyPage* page = GetActivePage();
    if (page == nullptr && id != IDCANCEL)
        return;
    switch (id) {
    case ID_WIZBACK:
    case ID_WIZNEXT: {
        const bool forward = id == ID_WIZNEXT;
        const int answer = forward ? page->OnWizardNext() : page->OnWizardBack();
        if (answer == -1)
            return;
        const int target = answer == 0 ? m_active + (forward ? 1 : -1) : IndexOfTemplate(answer);
        if (target < 0 || target >= GetPageCount())
            return;
        if (!page->OnKillActive())
            return;
        ShowPage(target, forward ? +1 : -1);
        return;
    }
    case ID_WIZFINISH:
        if (page->OnWizardFinish())
            EndDialog(ID_WIZFINISH);
        return;
    case IDCANCEL:
        Cancel();
        return;
    default:
        return;
    }
}

bool CPropertySheet::Cancel() {
    if (!m_open)
        return false;
    if (CPropertyPage* page = GetActivePage(); page != nullptr && !page->OnQueryCancel())
        return false;
    // The reset notification reaches every page that has a window.
    for (CPropertyPage* page : m_pages)
        if (page->HasWindow())
            page->OnReset();
    EndDialog(IDCANCEL);
    return true;
}

bool CPropertySheet::PreTranslateMessage(const MSG&) {
    return false;
}
