#include "pages/PropPage3.h"

#include "ui/PropertySheet.h"

CPropPage3::CPropPage3() : CPropertyPage(106) {}

bool CPropPage3::OnSetActive() {
    GetParentSheet()->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    return CPropertyPage::OnSetActive();
}
