// CCheckBox: a check box; a click toggles it and sends BN_CLICKED to the
// parent.
#pragma once

#include "ui/Wnd.h"

class CCheckBox : public CWnd {
public:
    bool Create(CWnd* parent, int id, const std::string& text = "");
    // BST_CHECKED or BST_UNCHECKED.
    int GetCheck() const;
    void SetCheck(int state);
    // Like a click by the user: toggles, then BN_CLICKED when enabled.
    void Click();
};
