#include "ui/Edit.h"

#include "ui/win32/Native.h"

using namespace uiimpl;

bool CEdit::Create(CWnd* parent, int id, const std::string& text) {
    if (parent == nullptr || !parent->HasWindow())
        return false;
    win::Handle hwnd =
        win::CreateSystem(win::System::Edit, Q(text),
                          win::style::kVisible | win::style::kTabStop | win::style::kEsAutoHScroll,
                          win::style::kExClientEdge, Hwnd(parent), id, 0, 0, 120, 23);
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, parent, id);
    CWndPrivate::Of(*this).typedText = true;
    SetWindowText(text);
    return true;
}

void CEdit::SetReadOnly(bool readOnly) {
    if (HasWindow())
        win::Send(Hwnd(this), win::msg::kEmSetReadOnly, readOnly ? 1 : 0);
}
