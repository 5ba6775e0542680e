// A choice in a drop-down list made by the program as the user makes it:
// the entry selected, then CBN_SELCHANGE; a disabled box takes none.
#include "ui/ComboBox.h"
#include "ui/Toolkit.h"

using namespace uiimpl;

int CComboBox::Choose(int index) {
    if (!IsWindowEnabled() || index < 0 || index >= GetCount() || SetCurSel(index) == CB_ERR)
        return CB_ERR;
    SendCommand(this, CBN_SELCHANGE);
    return index;
}
