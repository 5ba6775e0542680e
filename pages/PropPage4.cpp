#include "pages/PropPage4.h"

#include "ui/PropertySheet.h"

CPropPage4::CPropPage4() : CPropertyPage(107) {}

bool CPropPage4::OnSetActive() {
    GetParentSheet()->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    return CPropertyPage::OnSetActive();
}
