// Page 4 of the wizard; its content arrives with its own work.
#pragma once

#include "ui/PropertyPage.h"

class CPropPage4 : public CPropertyPage {
public:
    CPropPage4();
    bool OnSetActive() override;
};
