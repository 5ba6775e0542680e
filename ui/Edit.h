// CEdit: a one-line edit field; its text is the window text.
#pragma once

#include "ui/Wnd.h"

class CEdit : public CWnd {
public:
    bool Create(CWnd* parent, int id, const std::string& text = "");
    void SetReadOnly(bool readOnly = true);
};
