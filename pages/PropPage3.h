// Page 3 of the wizard; its content arrives with its own work.
#pragma once

#include "ui/PropertyPage.h"

class CPropPage3 : public CPropertyPage {
public:
    CPropPage3();
    bool OnSetActive() override;
};
