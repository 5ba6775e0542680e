// Page 5 of the wizard; its content arrives with its own work.
#pragma once

#include "ui/PropertyPage.h"

class CPropPage5 : public CPropertyPage {
public:
    CPropPage5();
    bool OnSetActive() override;
};
