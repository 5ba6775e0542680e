#include "pages/PropPage5.h"

#include "ui/PropertySheet.h"

CPropPage5::CPropPage5() : CPropertyPage(108) {}

bool CPropPage5::OnSetActive() {
    GetParentSheet()->SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    return CPropertyPage::OnSetActive();
}
