// CDialog on a window of our frame class (or a pane inside a sheet): the
// controls come from CreateControls, the modal run is our own loop with the
// owner disabled, as DialogBox runs one.
#include "ui/Dialog.h"

#include "ui/Button.h"
#include "ui/ColorText.h"
#include "ui/win32/Native.h"

#include <algorithm>

using namespace uiimpl;

namespace {

constexpr int kMargin = 10;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

std::function<void(CDialog&)>& ModalHook() {
    static std::function<void(CDialog&)> hook;
    return hook;
}

} // namespace

CDialog::CDialog(int templateId, CWnd* parent) : m_templateId(templateId), m_parentWnd(parent) {}

CDialog::~CDialog() {
    m_okButtonWnd.reset();
}

void CDialog::SetTemplate(const std::string& caption, int width, int height, bool okButton) {
    m_caption = caption;
    m_width = width;
    m_height = height;
    m_okButton = okButton;
}

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
    if (!child) {
        d.close = [this] { OnCancel(); };
        SetWindowText(m_caption);
        if (m_width > 0 && m_height > 0)
            CWnd::MoveWindow(0, 0, m_width, m_height, false);
        if (m_okButton) {
            m_okButtonWnd = std::make_unique<CButton>();
            m_okButtonWnd->Create(this, IDOK, "OK");
            d.defaultId = IDOK;
        }
    }
    CreateControls();
    // Texts lie over what they label: frames, buttons, pictures.
    for (CWnd* control : d.children)
        if (dynamic_cast<CColorText*>(control) != nullptr && control->HasWindow())
            win::BringToTop(Hwnd(control));
    OnInitDialog();
    if (!child)
        FitToControls();
    return true;
}

void CDialog::FitToControls() {
    if (!HasWindow())
        return;
    int right = 0;
    int bottom = 0;
    for (CWnd* control : CWndPrivate::Of(*this).children) {
        if (control == m_okButtonWnd.get() || !control->HasWindow() || !win::IsShown(Hwnd(control)))
            continue;
        const CRect r = control->GetRectInParent();
        right = std::max(right, r.right);
        bottom = std::max(bottom, r.bottom);
    }
    int width = m_width;
    int height = m_height;
    if (width <= 0 || height <= 0) {
        width = std::max(right + kMargin, 2 * kMargin + kButtonWidth);
        height = bottom + kMargin + (m_okButton ? kButtonHeight + kMargin : 0);
        CWnd::MoveWindow(0, 0, width, height, false);
    }
    if (m_okButtonWnd)
        m_okButtonWnd->MoveWindow(width - kMargin - kButtonWidth, height - kMargin - kButtonHeight,
                                  kButtonWidth, kButtonHeight);
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

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(int id, int code) {
    if (CWnd::OnCommand(id, code))
        return true;
    if (code != BN_CLICKED)
        return false;
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void CDialog::SetModalHook(std::function<void(CDialog&)> hook) {
    ModalHook() = std::move(hook);
}
