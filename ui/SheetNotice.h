// The sheet's notice (CPropertySheet::ShowNotice): its controls, made the
// first time a notice shows and kept, hidden, in between, so a click never
// destroys the button it came from.
#pragma once

#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/PropertySheet.h"

#include <functional>

struct CPropertySheet::Notice {
    CColorText text;
    CButton accept;
    CButton dismiss;
    std::function<void()> accepted;
    std::function<void()> dismissed;
    int rowShift = 0; // how far the button row went down for it; 0 while hidden
};
