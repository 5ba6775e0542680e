// CDialog on a window of our frame class (or a pane inside a sheet): the
// controls come from CreateControls, the modal run is our own loop with the
// owner disabled, as DialogBox runs one.
#include "ui/Dialog.h"

#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/win32/Native.h"

using namespace uiimpl;

bool CDialog::CreateIndirect(CWnd* parentWindow, bool child) {
    if (!win::Started())
        return false;
    win::Handle parentHwnd = Hwnd(parentWindow);
    if (child && parentHwnd == nullptr)
        return false;
    win::Handle hwnd = nullptr;
    if (child) {
        hwnd = win::CreateOwn(win::Class::Pane, u"", win::style::kChild,
                              win::style::kExControlParent, parentHwnd, 0, 0, 0, 10, 10);
    } else {
        hwnd = win::CreateOwn(win::Class::Frame, Q(m_caption),
                              win::style::kPopup | win::style::kCaption | win::style::kSysMenu,
                              win::style::kExControlParent | win::style::kExDlgModalFrame,
                              parentHwnd != nullptr ? win::Root(parentHwnd) : nullptr, 0, 0, 0, 200,
                              100);
    }
    if (hwnd == nullptr)
        return false;
    AttachHwnd(hwnd, parentWindow, 0);
    CWndPrivate& d = CWndPrivate::Of(*this);
    d.hasBackground = true;
    d.background = kPageColor;
    if (!child)
        d.close = [this] { OnCancel(); };
    MakeContents(child);
    return true;
}

int CDialog::DoModal() {
    if (!CreateIndirect(m_parentWnd, false))
        return -1;
    win::Handle hwnd = Hwnd(this);
    win::Handle owner =
        m_parentWnd != nullptr && m_parentWnd->HasWindow() ? win::Root(Hwnd(m_parentWnd)) : nullptr;
    const win::Handle focusBefore = win::Focused();
    win::CenterOver(hwnd, owner);
    if (owner != nullptr)
        win::Enable(owner, false);
    win::Show(hwnd, true);
    win::Activate(hwnd);
    if (CWnd* first = GetWindow(GW_CHILD))
        first->SetFocus();
    m_modal = true;
    m_result = IDCANCEL;
    PostForWindow(*this, [this] {
        if (m_modal && ModalHook())
            ModalHook()(*this);
    });
    RunModalLoop(m_modal);
    m_modal = false;
    if (owner != nullptr)
        win::Enable(owner, true);
    m_okButtonWnd.reset();
    DestroyWindow();
    if (owner != nullptr)
        win::Activate(owner);
    if (focusBefore != nullptr && win::IsWindow(focusBefore))
        win::Focus(focusBefore);
    return m_result;
}

void CDialog::EndDialog(int result) {
    m_result = result;
    if (!HasWindow())
        return;
    if (m_modal)
        m_modal = false;
    else
        ShowWindow(SW_HIDE);
}
