#include "ui/CheckBox.h"

#include "ui/win32/Native.h"

using namespace uiimpl;

bool CCheckBox::Create(CWnd* parent, int id, const std::string& text) {
    if (parent == nullptr || !parent->HasWindow())
        return false;
    win::Handle hwnd =
        win::CreateSystem(win::System::Button, Q(text),
                          win::style::kVisible | win::style::kTabStop | win::style::kBsAutoCheckBox,
                          0, Hwnd(parent), id, 0, 0, 15, 15);
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, parent, id);
    SetWindowText(text);
    return true;
}

int CCheckBox::GetCheck() const {
    if (!HasWindow())
        return BST_UNCHECKED;
    return win::Send(Hwnd(this), win::msg::kBmGetCheck) == 1 ? BST_CHECKED : BST_UNCHECKED;
}

void CCheckBox::SetCheck(int state) {
    if (HasWindow())
        win::Send(Hwnd(this), win::msg::kBmSetCheck, state == BST_CHECKED ? 1 : 0);
}

void CCheckBox::Click() {
    if (!IsWindowEnabled())
        return;
    SetCheck(GetCheck() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    SendCommand(this, BN_CLICKED);
}
