// Page 2 of the wizard; its content arrives with its own work.
#pragma once

#include "ui/PropertyPage.h"

class CPropPage2 : public CPropertyPage {
public:
    CPropPage2();
    bool OnSetActive() override;
};
