// CGroupBox: a frame with a caption set into its top line. A caption of
// spaces leaves a gap for a CColorText laid over it.
#pragma once

#include "ui/Wnd.h"

class CGroupBox : public CWnd {
public:
    bool Create(CWnd* parent, int id, const std::string& caption = "");
};
