// A choice in a drop-down list made by the program as the user makes it:
// the entry selected, then CBN_SELCHANGE, which only an enabled box sends.
#include "ui/ComboBox.h"
#include "ui/Toolkit.h"

using namespace uiimpl;

int CComboBox::Choose(int index) {
    if (SetCurSel(index) == CB_ERR)
        return CB_ERR;
    if (IsWindowEnabled())
        SendCommand(this, CBN_SELCHANGE);
    return index;
}
