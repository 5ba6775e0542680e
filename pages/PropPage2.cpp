#include "pages/PropPage2.h"

#include "app/UiTexts.h"
#include "ui/PropertySheet.h"

CPropPage2::CPropPage2() : CPropertyPage(105) {}

bool CPropPage2::OnSetActive() {
    CPropertySheet* sheet = GetParentSheet();
    sheet->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    if (CWnd* back = sheet->GetDlgItem(ID_WIZBACK)) {
        back->ShowWindow(SW_SHOW);
        back->SetWindowText(UiText("PropP2", "K9"));
    }
    return CPropertyPage::OnSetActive();
}
